// Helpers shared by the record tests: decoding a built entry and reading the
// record's texts back as strings. The returned strings are copies.
#ifndef SARNITH_TESTS_RECORDS_RECORD_TEST_UTIL_H
#define SARNITH_TESTS_RECORDS_RECORD_TEST_UTIL_H

#include <cstring>
#include <string>

#include "records/log_record.h"
#include "testing/entry_builder.h"

namespace recordtest {

// Whether the list was decoded whole.
inline bool DecodeInto(CLogRecord& record, const testdata::CEntryBuilder& entry)
{
    return record.Decode(entry.Data(), entry.Length());
}

// A counted text: at most nLen bytes, up to the first zero.
inline std::string Counted(const char* pText, uint16_t nLen)
{
    if (pText == nullptr)
        return "<null>";
    const void* pZero = memchr(pText, 0, nLen);
    return std::string(pText, pZero == nullptr ? nLen : static_cast<size_t>(static_cast<const char*>(pZero) - pText));
}

inline std::string Terminated(const char* psz)
{
    return psz == nullptr ? "<null>" : psz;
}

// Byte offset of a pointer from the start of a buffer.
inline long OffsetIn(const uint8_t* p, const uint8_t* pStart)
{
    return p == nullptr ? -1 : static_cast<long>(p - pStart);
}

}  // namespace recordtest

#endif
