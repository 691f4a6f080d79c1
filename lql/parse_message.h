// CParseMessage: the messages with which the statement parser rejects or
// warns about a statement.
//
// One constant table of 23 entries (severity, id, printf-style format); an
// entry's id equals its position. The texts of the time statement parser and
// of the WHERE parser come in through the generic entries 14 and 15 ("%s").
// Everything returned points into the constant table and lives as long as
// the program.
#ifndef SARNITH_LQL_PARSE_MESSAGE_H
#define SARNITH_LQL_PARSE_MESSAGE_H

#include <cstdint>

enum EParseSeverity : int32_t {
    PARSE_ERROR = 0,    // shown as "^ Error: ", parsing stops
    PARSE_WARNING = 1,  // shown as "^ Warning: ", parsing goes on
    // any other value is shown as "Information: " and parsing goes on
};

// Ids of the messages, equal to their positions in the table.
enum EParseMessageId : int32_t {
    MSG_NO_VALID_INPUT = 0,
    MSG_NO_GATEWAY_NAMES = 1,
    MSG_NO_FROM_KEYWORD = 2,
    MSG_EXPECTED_SELECT = 3,
    MSG_NOT_AN_OUTPUT_TYPE = 4,
    MSG_NO_GATEWAY_NAMES_SPECIFIED = 5,
    MSG_OUT_OF_MEMORY = 6,
    MSG_ERROR_GETTING_GATEWAY_NAMES = 7,
    MSG_GATEWAY_NOT_CONFIGURED = 8,
    MSG_TIME_STATEMENT_WITHOUT_GATEWAY = 9,
    MSG_EXPECTED_TIME_KEYWORD = 10,
    MSG_EXPECTED_AND_WHERE_OR_TIME = 11,
    MSG_RESERVED_WORD_AS_GATEWAY = 12,
    MSG_NO_VALID_GATEWAY = 13,
    MSG_ERROR_TEXT = 14,
    MSG_WARNING_TEXT = 15,
    MSG_EXPECTED_GATEWAY_OR_TIME = 16,
    MSG_UNEXPECTED_END_OF_NAMES = 17,
    MSG_BINARY_AND_TEXT_MIXED = 18,
    MSG_EXPECTED_OUTPUT_TYPE = 19,
    MSG_NO_VALID_FILENAME = 20,
    MSG_TIME_OUT_OF_RANGE = 21,
    MSG_EXPECTED_WHERE = 22,
};

struct CParseMessage {
    EParseSeverity m_eSeverity;
    int32_t m_nId;
    const char* m_pszFormat;

    enum { kCount = 23 };

    // The entry of a message id; null for an id outside the table.
    static const CParseMessage* Find(int nId);
};

#endif
