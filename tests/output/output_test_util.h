// Helpers shared by the output tests: a writer's stream captured in memory,
// entries built with the entry builder and decoded into a record, and one
// rendered line read back as a string. Entries point into the builder they
// were made from, which the caller keeps; strings are copies.
#ifndef SARNITH_TESTS_OUTPUT_OUTPUT_TEST_UTIL_H
#define SARNITH_TESTS_OUTPUT_OUTPUT_TEST_UTIL_H

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "output/output_settings.h"
#include "output/text_writer.h"
#include "records/log_record.h"
#include "storage/log_entry.h"
#include "support/dynarray/dynarray.h"
#include "support/sstring.h"
#include "testing/entry_builder.h"
#include "testing/log_db_writer.h"
#include "tests/common/time_zone.h"

namespace outputtest {

// A stream whose bytes land in memory.
class CMemoryStream {
public:
    CMemoryStream() : m_pBuffer(nullptr), m_nSize(0), m_pStream(open_memstream(&m_pBuffer, &m_nSize)) {}
    ~CMemoryStream()
    {
        std::fclose(m_pStream);
        std::free(m_pBuffer);
    }
    CMemoryStream(const CMemoryStream&) = delete;
    CMemoryStream& operator=(const CMemoryStream&) = delete;

    FILE* Stream() const { return m_pStream; }
    std::string Contents()
    {
        std::fflush(m_pStream);
        return std::string(m_pBuffer, m_nSize);
    }

private:
    char* m_pBuffer;
    size_t m_nSize;
    FILE* m_pStream;
};

inline CDynArray<CSString> Outputs(const std::vector<std::string>& aNames)
{
    CDynArray<CSString> aOutputs;
    for (const std::string& strName : aNames)
        aOutputs.Add(CSString(strName.c_str()));
    return aOutputs;
}

inline COutputSettings Delimited(char cDelimiter)
{
    COutputSettings settings;
    settings.m_cDelimiter = cDelimiter;
    return settings;
}

inline COutputSettings Layout(EOutputLayout eLayout, EIpFormat eIpFormat = IPFORMAT_STRING)
{
    COutputSettings settings;
    settings.m_eLayout = eLayout;
    settings.m_eIpFormat = eIpFormat;
    return settings;
}

// 2006-06-01 12:34:56 UTC, the time stamp of the rendered entries.
const LogTime kEntryTime = testdata::LogTimeFromUtc(2006, 6, 1, 12, 34, 56);

inline CLogEntry EntryOf(const testdata::CEntryBuilder& builder, LogTime nTime = kEntryTime)
{
    CLogEntry entry;
    entry.m_nLength = builder.Length();
    entry.m_nTimeLow = static_cast<uint32_t>(nTime);
    entry.m_nTimeHigh = static_cast<uint32_t>(nTime >> 32);
    entry.m_pBody = builder.Data();
    return entry;
}

// What WriteEntry writes for the entry: the line with its "\n", or nothing.
inline std::string RenderLine(const std::vector<std::string>& aColumns, const testdata::CEntryBuilder& builder,
                              const COutputSettings& settings = COutputSettings(), const char* pszGateway = "gw1",
                              LogTime nTime = kEntryTime)
{
    CMemoryStream stream;
    CTextWriter writer(Outputs(aColumns), settings, stream.Stream());
    CLogEntry entry = EntryOf(builder, nTime);
    CLogRecord record;
    record.Decode(entry.m_pBody, entry.m_nLength);
    writer.WriteEntry(entry, record, pszGateway);
    return stream.Contents();
}

// What Begin writes: the header line of the layout, or nothing.
inline std::string HeaderLine(const std::vector<std::string>& aColumns, const COutputSettings& settings)
{
    CMemoryStream stream;
    CTextWriter writer(Outputs(aColumns), settings, stream.Stream());
    writer.Begin();
    writer.End();
    return stream.Contents();
}

}  // namespace outputtest

#endif
