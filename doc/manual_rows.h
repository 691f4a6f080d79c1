// The words of the manual page that the program's tables do not hold: what
// each search parameter, output field and output type means, the syntax its
// values take, and the name tables the page lists.
//
// Every row names a keyword; mkmanual matches the rows against the keyword
// table and asks the program whether each stated value syntax holds
// (manual_probe.h), so a parameter, field or type that is added, removed or
// changed in the program without a row here stops the build. The rows are
// constant data; every pointer points to static texts or tables.
#ifndef SARNITH_DOC_MANUAL_ROWS_H
#define SARNITH_DOC_MANUAL_ROWS_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "support/name_tables.h"

namespace manual {

// How the value of a search parameter is written.
enum EValueSyntax {
    VALUE_IPV4,        // a dotted IPv4 address
    VALUE_ETHERNET,    // an Ethernet address in one of its three forms
    VALUE_TEXT,        // a text of up to 255 characters, compared whole
    VALUE_PATTERN,     // a text searched for inside the entry's text
    VALUE_NUMBER,      // a decimal number up to m_nMax, or a name of m_pNames
    VALUE_FLAG,        // 0 or 1, with "=" only
    VALUE_WORD,        // one of the words of m_pWords, or m_pszOtherWord
    VALUE_INDEX_ONLY,  // a packet header that only index statements read
};

// A name table of the program and how the page lists it.
struct CNameTableRow {
    const char* m_pszKey;    // the word that parameter rows name it by
    const char* m_pszTitle;  // the heading it is listed under
    const CNameEntry* m_pTable;
    bool m_bHex;  // numbers shown in hexadecimal (Ethernet types)
};

struct CParameterRow {
    const char* m_pszName;  // the parameter's first listed name
    EValueSyntax m_eSyntax;
    uint32_t m_nMax;             // VALUE_NUMBER: the largest number accepted
    const char* m_pszNames;      // VALUE_NUMBER: the key of the name table whose names stand for numbers, or null
    const CNameEntry* m_pWords;  // VALUE_WORD: the program's table of the accepted words
    const char* m_pszOtherWord;  // VALUE_WORD: a further accepted word, or null
    bool m_bInList;              // accepted in IN statements
    const char* m_pszText;       // what the parameter tests
};

struct CFieldRow {
    const char* m_pszName;  // the field's first listed name
    const char* m_pszText;  // what the field shows
};

// The name tables, in the order the page lists them.
const CNameTableRow* NameTables(size_t& nCount);
const CNameTableRow* FindNameTable(const char* pszKey);

// One row per search parameter, in keyword table order.
const CParameterRow* ParameterRows(size_t& nCount);

// The words a VALUE_WORD parameter accepts, in the order the page lists them.
std::vector<std::string> ParameterWords(const CParameterRow& row);

// One row per output field and output type (binary included).
const CFieldRow* FieldRows(size_t& nCount);

}  // namespace manual

#endif
