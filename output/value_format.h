// The value formats that the output columns share: numbers, IPv4 addresses
// in the three address formats, MAC addresses, numbers with their names from
// the name tables, counted and terminated texts, packed counters, and local
// dates and times of a time stamp.
//
// Every Append function adds its text to the caller's line buffer and
// allocates nothing beyond that buffer's growth. CLocalTimeText keeps the
// texts of the last time it converted, so entries of the same second, and
// mostly of the same minute, are converted once. Nothing here owns record
// or entry bytes.
#ifndef SARNITH_OUTPUT_VALUE_FORMAT_H
#define SARNITH_OUTPUT_VALUE_FORMAT_H

#include <cstddef>
#include <cstdint>
#include <ctime>

#include "output/ip_format.h"
#include "output/line_buffer.h"
#include "storage/log_entry.h"
#include "support/name_tables.h"

// Four bytes in network order, in the given address format.
void AppendIpAddress(CLineBuffer& line, const uint8_t* pAddress, EIpFormat eIpFormat);

// Six bytes as "%02x%02x:%02x%02x:%02x%02x".
void AppendMacAddress(CLineBuffer& line, const uint8_t* pAddress);

// "number(name)" when the table has a non-empty name for the number, else
// the number alone.
void AppendNumberWithName(CLineBuffer& line, const CNameEntry* pTable, uint32_t nNumber);

// The table's name for the number, else the number.
void AppendNameOrNumber(CLineBuffer& line, const CNameEntry* pTable, int32_t nNumber);

// A text of at most nMaxBytes bytes that ends early at its first zero byte.
void AppendBoundedText(CLineBuffer& line, const char* pText, size_t nMaxBytes);

// The 32-bit reading of a packed counter; false (nothing appended) when the
// counter has none.
bool AppendPackedCounter(CLineBuffer& line, const uint8_t* pCounter);

// Seconds since 1970-01-01 00:00 UTC of an entry's time stamp; false when
// the time lies outside 0 to 4294967295.
bool EntryTimeToSeconds(const CLogEntry& entry, uint32_t& nSeconds);

// The local date ("%Y-%m-%d") and time ("%H:%M:%S") of a time in seconds
// since 1970, converted with the time zone rules of the running system, and
// the offset of that local time from UTC.
//
// A conversion also finds out whether the whole local minute around the
// time has one offset from UTC and no leap second (the local times at its
// first and last second say so): later times inside that minute then only
// change the seconds of the time text. Times outside it, earlier ones
// included, are converted anew.
class CLocalTimeText {
public:
    // The lengths of the texts: "2006-06-01" and "12:34:56".
    static constexpr size_t kDateLength = 10;
    static constexpr size_t kTimeLength = 8;

    CLocalTimeText();

    // Converts nSeconds unless it is the time converted last; false when
    // the local-time conversion rejects it.
    bool Convert(uint32_t nSeconds);
    const char* GetDate() const { return m_szDate; }
    const char* GetTime() const { return m_szTime; }
    // Seconds east of UTC of the local time converted last.
    long GetUtcOffset() const { return m_nUtcOffset; }

private:
    enum { kTextSize = 12 };

    bool ConvertAnew(uint32_t nSeconds);
    // Whether every second of the minute that starts at nStart shows as
    // the minute of tmMinute, second by second, at the offset of tmMinute.
    static bool IsPlainMinute(uint32_t nStart, const struct tm& tmMinute);

    bool m_bConverted;    // m_nSeconds holds the last converted time
    bool m_bValid;        // that conversion succeeded
    bool m_bPlainMinute;  // the minute from m_nMinuteStart shows second by second
    uint32_t m_nSeconds;
    uint32_t m_nMinuteStart;
    long m_nUtcOffset;
    char m_szDate[kTextSize];
    char m_szTime[kTextSize];
};

#endif
