// The column table: for every output name that the SELECT list accepts, the
// values its column shows, each with its label and the function that makes
// it from a decoded record.
//
// A column is a keyword id (aliases share their main name's id). Most
// columns show one value; connusage shows three, each labelled on its own;
// the usage column writes its list of pairs itself, without the column's
// label; in the text layouts each interface name in it is prepared as a
// value of its own. A few accepted names never have a value. Each value
// carries its type, which the typed layouts (JSON, CSV) read; the text
// layouts write every value as the text its function appends. The table is
// constant data, and FindColumn hands out pointers into it that live as
// long as the program.
//
// Values that cannot be shown: a time stamp outside 1970 to 2106 (or one the
// local-time conversion rejects) and a packed counter without a 32-bit
// reading have no value, like an absent field; so have the gateway-name
// columns for entries read from a file. An interface usage item
// measured over 0 seconds shows the throughput 0.00. In the delimited layout
// the three connusage values share their cell, separated by blanks.
#ifndef SARNITH_OUTPUT_COLUMNS_H
#define SARNITH_OUTPUT_COLUMNS_H

#include <cstdint>

#include "output/line_buffer.h"
#include "output/value_format.h"
#include "output/value_preparer.h"
#include "records/log_record.h"
#include "storage/log_entry.h"

// Everything a column's value is made from, for one entry. Nothing is owned.
struct CColumnInput {
    const CLogEntry* m_pEntry;
    const CLogRecord* m_pRecord;
    const char* m_pszGateway;           // the gateway the entry came from; empty for a file source
    EIpFormat m_eIpFormat;              // how IPv4 addresses are written
    const CValuePreparer* m_pPreparer;  // cleans the stored texts a list column embeds; null: left as stored
    CLocalTimeText* m_pEntryTime;       // local texts of the entry time stamp, kept between entries
    CLocalTimeText* m_pDevTime;         // local texts of the device time, kept between entries
};

// What the column values of one renderer keep between entries: the address
// format, the value preparer of the text layouts (null for the layouts that
// write stored texts as they are) and the local texts of the entry time and
// device time converted last. Each renderer has its own; it owns its caches,
// and the preparer stays the renderer's.
class CColumnContext {
public:
    explicit CColumnContext(EIpFormat eIpFormat, const CValuePreparer* pPreparer = nullptr)
        : m_eIpFormat(eIpFormat),
          m_pPreparer(pPreparer)
    {
    }

    EIpFormat GetIpFormat() const { return m_eIpFormat; }
    CLocalTimeText& GetEntryTime() { return m_entryTime; }
    // The input of the column values of one entry; valid while the entry,
    // the record and this context are.
    CColumnInput Input(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway)
    {
        return {&entry, &record, pszGateway, m_eIpFormat, m_pPreparer, &m_entryTime, &m_devTime};
    }

private:
    EIpFormat m_eIpFormat;
    const CValuePreparer* m_pPreparer;
    CLocalTimeText m_entryTime;
    CLocalTimeText m_devTime;
};

// Appends the raw value of a column to the line; false when the record has
// none (whatever was appended is then dropped by the caller).
typedef bool (*PFN_COLUMN_VALUE)(const CColumnInput& input, CLineBuffer& line);

// What a value's text is, for the layouts that write typed values.
enum EValueType {
    VALUE_TEXT,          // any text
    VALUE_STAMP,         // a local date "2006-06-01" or time "12:34:56": a text of digits, dashes and colons
    VALUE_NUMBER,        // an unsigned decimal number
    VALUE_NAMED_NUMBER,  // an unsigned decimal number, maybe followed by its name: "6(TCP)"
    VALUE_FLAG,          // "1" or "0"
    VALUE_ADDRESS,       // an IPv4 address in the chosen format (a number in the integer format)
    VALUE_USAGE_LIST,    // the interface usage list, "if0=lan tp0=12.34 if1=..."
};

// Whether the values of this type are digits, dots, dashes and colons only
// and never empty, as numbers, flags, addresses and local dates and times
// are: no layout needs to clean, quote or escape them.
inline bool IsPlainValue(EValueType eType)
{
    return eType == VALUE_NUMBER || eType == VALUE_FLAG || eType == VALUE_ADDRESS || eType == VALUE_STAMP;
}

enum EColumnKind {
    COLUMN_PREPARED,  // each value is trimmed, quoted and kept clear of the delimiter
    COLUMN_LIST,      // the value is a list of pairs, written without label; it prepares its texts itself
};

struct CColumnValue {
    const char* m_pszLabel;  // written before "=" in the labelled layout
    EValueType m_eType;
    PFN_COLUMN_VALUE m_pfnValue;  // null ends the column's values
};

struct CColumnDef {
    enum { kMaxValues = 3 };

    int32_t m_nId;
    EColumnKind m_eKind;
    CColumnValue m_aValues[kMaxValues];
};

// The column of a keyword id; null for an id that is not a column.
const CColumnDef* FindColumn(int32_t nId);

// The number of values of a column (0 for the names that never have one).
int CountValues(const CColumnDef& column);

// The throughput of an interface usage item in kilobits per second, to two
// decimals ("206.37"): both byte counters in bits, over the interval. An
// interval of 0 measures nothing and gives 0.00.
void AppendThroughput(CLineBuffer& line, const CUsageItem& item);

#endif
