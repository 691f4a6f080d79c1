// The messages with which the filter rejects a value, an index statement or
// an IN list while the tree is built.
//
// RaiseSearchError formats the message text into a 512-byte error text and
// throws it as a CErrorText; the WHERE parser lets it pass to the statement
// parser, which reports it. The texts are constant data.
#ifndef SARNITH_FILTER_SEARCH_MESSAGES_H
#define SARNITH_FILTER_SEARCH_MESSAGES_H

enum ESearchMessage {
    SMSG_INCORRECT_IP,
    SMSG_INCORRECT_PORT,
    SMSG_INCORRECT_PROTOCOL,
    SMSG_UNKNOWN_PROTOCOL,
    SMSG_STRING_TOO_LONG,
    SMSG_INCORRECT_ETHERNET,
    SMSG_INCORRECT_ICMP_TYPE,
    SMSG_UNKNOWN_ETHER_TYPE,
    SMSG_UNKNOWN_CONNEVENT,
    SMSG_UNKNOWN_PARAMETER,
    SMSG_ONLY_ASSIGNMENT,
    SMSG_INCORRECT_BIT,
    SMSG_INCORRECT_INDEX,
    SMSG_NOT_IN_INDEX,
    SMSG_NOT_IN_LIST,
    SMSG_INVALID_RANGE,
    SMSG_UNKNOWN_ICMP_TYPE,
    SMSG_INCORRECT_ALG_SESSION,
    SMSG_INCORRECT_SEVERITY,
    SMSG_UNKNOWN_AUTH_EVENT,
    SMSG_INCORRECT_ID,
    SMSG_INCORRECT_ROUTEMETRIC,
    SMSG_UNKNOWN_DYNROUTINGEVENT,
    SMSG_UNKNOWN_ARP,
    SMSG_COUNT
};

// The text of a message.
const char* SearchMessageText(ESearchMessage eMessage);

// Throws the message as a CErrorText.
[[noreturn]] void RaiseSearchError(ESearchMessage eMessage);

#endif
