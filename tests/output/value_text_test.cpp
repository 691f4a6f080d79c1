// The cheap paths of value text: decimal numbers against printf, the local
// date and time texts against localtime_r and strftime second by second
// across offset changes, leap seconds and jumps back, the value preparer's
// one-look pass against the cleaning rules for every byte, and the typed
// values that no layout cleans, quotes or escapes.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "output/columns.h"
#include "output/line_buffer.h"
#include "output/value_format.h"
#include "output/value_preparer.h"
#include "testing/sample_entries.h"
#include "tests/output/output_test_util.h"

using namespace outputtest;

namespace {

std::string Text(const CLineBuffer& line)
{
    return std::string(line.GetData(), line.GetLength());
}

}  // namespace

// ---------------------------------------------------------------- numbers

TEST(LineBufferNumbers, EveryDigitCountAndPaddingAsPrintfWritesThem)
{
    std::vector<uint32_t> aValues = {0, 4294967295u};
    for (uint32_t nPower = 1; nPower <= 1000000000u; nPower *= 10) {
        aValues.push_back(nPower - 1);
        aValues.push_back(nPower);
        aValues.push_back(nPower + 7);
        if (nPower == 1000000000u)
            break;
    }
    CLineBuffer line;
    for (uint32_t nValue : aValues) {
        char szExpected[32];
        line.Clear();
        line.Append("x", 1);
        line.AppendUInt(nValue);
        std::snprintf(szExpected, sizeof(szExpected), "x%u", nValue);
        EXPECT_EQ(szExpected, Text(line));
        for (size_t nWidth = 0; nWidth <= 12; ++nWidth) {
            line.Clear();
            line.AppendUIntPadded(nValue, nWidth);
            // Padding stops at ten digits, the most a 32-bit number has.
            std::snprintf(szExpected, sizeof(szExpected), "%0*u", static_cast<int>(nWidth < 10 ? nWidth : 10), nValue);
            EXPECT_EQ(szExpected, Text(line)) << nValue << " " << nWidth;
        }
    }
}

// ---------------------------------------------------------------- local date and time

namespace {

struct CExpectedTime {
    bool m_bValid;
    std::string m_strDate;
    std::string m_strTime;
    long m_nOffset;
};

CExpectedTime LocalTimeOf(uint32_t nSeconds)
{
    time_t nTime = static_cast<time_t>(nSeconds);
    struct tm tmLocal;
    char szDate[16];
    char szTime[16];
    if (localtime_r(&nTime, &tmLocal) == nullptr || std::strftime(szDate, sizeof(szDate), "%Y-%m-%d", &tmLocal) == 0 ||
        std::strftime(szTime, sizeof(szTime), "%H:%M:%S", &tmLocal) == 0)
        return {false, "", "", 0};
    return {true, szDate, szTime, tmLocal.tm_gmtoff};
}

// Converts every time of aSeconds in turn with one CLocalTimeText, as the
// renderer does for the entries of a run, and compares each with the C
// library's own conversion.
void ExpectLikeTheCLibrary(const std::vector<uint32_t>& aSeconds, const std::string& strWhere)
{
    CLocalTimeText text;
    for (uint32_t nSeconds : aSeconds) {
        CExpectedTime expected = LocalTimeOf(nSeconds);
        ASSERT_EQ(expected.m_bValid, text.Convert(nSeconds)) << strWhere << " at " << nSeconds;
        if (!expected.m_bValid)
            continue;
        ASSERT_EQ(expected.m_strDate, text.GetDate()) << strWhere << " at " << nSeconds;
        ASSERT_EQ(expected.m_strTime, text.GetTime()) << strWhere << " at " << nSeconds;
        ASSERT_EQ(expected.m_nOffset, text.GetUtcOffset()) << strWhere << " at " << nSeconds;
    }
}

// Every second within nReach of nCenter, then jumps back across the
// stretch and steps forward that cross minute starts unevenly. The stretch
// stays within 0 to 4294967295.
std::vector<uint32_t> SecondsAround(uint32_t nCenter, uint32_t nReach)
{
    uint32_t nFrom = nCenter > nReach ? nCenter - nReach : 0;
    uint32_t nTo = nCenter + nReach;
    std::vector<uint32_t> aSeconds;
    for (uint32_t n = nFrom; n <= nTo; ++n)
        aSeconds.push_back(n);
    for (uint32_t n = nTo; n - nFrom > 37; n -= 37)
        aSeconds.push_back(n);
    for (uint32_t n = nFrom; nTo - n > 59; n += 59)
        aSeconds.push_back(n);
    aSeconds.push_back(nCenter);
    aSeconds.push_back(nCenter - 1);
    aSeconds.push_back(nCenter);
    return aSeconds;
}

uint32_t UtcSeconds(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    return static_cast<uint32_t>(
        (testdata::LogTimeFromUtc(nYear, nMonth, nDay, nHour, nMinute, nSecond) / kLogTimeUnitsPerSecond) -
        kLogTimeEpochSeconds);
}

bool HasZoneFile(const std::string& strZone)
{
    struct stat info;
    return stat(("/usr/share/zoneinfo/" + strZone).c_str(), &info) == 0;
}

}  // namespace

TEST(LocalTimeText, RuleZonesAcrossOffsetChangesMidnightAndJumpsBack)
{
    struct CCase {
        const char* m_pszZone;
        uint32_t m_nAround;  // an offset change, or a day and year end
    };
    const CCase aCases[] = {
        {"UTC0", UtcSeconds(2006, 12, 31, 23, 59, 30)},
        {"CET-1CEST,M3.5.0,M10.5.0/3", UtcSeconds(2006, 3, 26, 1, 0, 0)},      // clocks go forward
        {"CET-1CEST,M3.5.0,M10.5.0/3", UtcSeconds(2006, 10, 29, 1, 0, 0)},     // and back
        {"NST3:30NDT,M3.2.0,M11.1.0", UtcSeconds(2007, 11, 4, 3, 30, 0)},      // half hours
        {"XXX-5:45:17", UtcSeconds(2006, 6, 1, 18, 14, 43)},                   // seconds in the offset
        {"AAA+0:00:30BBB,J60/0:00:10,J300", UtcSeconds(2006, 3, 1, 0, 0, 0)},  // a change in mid-minute
        {"UTC0", 0},                                                           // the first times
        {"XXX-5:45:17", 0},                                                    // a first minute cut short
        {"LOW12", 30},                                                         // a local time before 1970
        {"UTC0", 4294967295u - 200},                                           // the last ones
    };
    for (const CCase& test : aCases) {
        CTimeZoneScope zone(test.m_pszZone);
        ExpectLikeTheCLibrary(SecondsAround(test.m_nAround, 150), test.m_pszZone);
    }
}

TEST(LocalTimeText, ZoneFilesWithLeapSecondsAndOddHistoricOffsets)
{
    struct CCase {
        const char* m_pszZone;
        uint32_t m_nAround;
    };
    const CCase aCases[] = {
        {"right/UTC", UtcSeconds(2006, 1, 1, 0, 0, 0)},             // a leap second 22 seconds later
        {"right/UTC", UtcSeconds(2009, 1, 1, 0, 0, 0)},             // and one 23 seconds later
        {"Africa/Monrovia", UtcSeconds(1972, 1, 7, 0, 44, 30)},     // -0:44:30 to UTC
        {"Australia/Lord_Howe", UtcSeconds(2006, 4, 1, 15, 0, 0)},  // a half-hour summer time
        {"Pacific/Kwajalein", UtcSeconds(1993, 8, 21, 12, 0, 0)},   // a day left out
        {"Europe/Berlin", UtcSeconds(2006, 10, 29, 1, 0, 0)},
    };
    int nRun = 0;
    for (const CCase& test : aCases) {
        if (!HasZoneFile(test.m_pszZone))
            continue;
        CTimeZoneScope zone(test.m_pszZone);
        ExpectLikeTheCLibrary(SecondsAround(test.m_nAround, 200), test.m_pszZone);
        ++nRun;
    }
    if (nRun == 0)
        GTEST_SKIP() << "no time zone files installed";
}

TEST(LocalTimeText, ZoneChangedBetweenRunsIsSeenByANewText)
{
    // Each run converts with a text of its own: a zone set in between counts.
    uint32_t nNoon = UtcSeconds(2006, 6, 1, 12, 0, 0);
    {
        CTimeZoneScope zone("UTC0");
        ExpectLikeTheCLibrary({nNoon, nNoon + 1}, "UTC0");
    }
    CTimeZoneScope zone("EST5EDT,M3.2.0,M11.1.0");
    ExpectLikeTheCLibrary({nNoon, nNoon + 1}, "EST5EDT");
}

// ---------------------------------------------------------------- value preparer

namespace {

// What preparing makes of a value by the cleaning rules, spelt out plainly.
std::string CleanedByTheRules(std::string strValue, const COutputSettings& settings)
{
    auto bTrim = [](char ch) { return static_cast<unsigned char>(ch) >= 1 && static_cast<unsigned char>(ch) <= 32; };
    while (!strValue.empty() && bTrim(strValue.back()))
        strValue.pop_back();
    while (!strValue.empty() && bTrim(strValue.front()))
        strValue.erase(0, 1);
    bool bQuote = false;
    for (char& ch : strValue) {
        if (ch == '\r' || ch == '\n')
            ch = ' ';
        bQuote = bQuote || ch == ' ' || ch == '\t';
    }
    if (bQuote) {
        for (char& ch : strValue)
            if (ch == '"')
                ch = '\'';
        strValue = "\"" + strValue + "\"";
    }
    if (settings.m_cDelimiter != '\0') {
        auto bEither = [&](char ch) { return settings.m_cDelimiter == ch || settings.m_cEndDelimiter == ch; };
        const char aReplaced[][2] = {{'\t', ' '}, {';', ','}, {',', ';'}};
        for (const auto& replaced : aReplaced)
            if (bEither(replaced[0]))
                for (char& ch : strValue)
                    if (ch == replaced[0])
                        ch = replaced[1];
    }
    return strValue;
}

}  // namespace

TEST(ValuePreparer, EveryByteAtEitherEndAndInsideAsTheRulesSay)
{
    std::vector<COutputSettings> aSettings = {COutputSettings(), Delimited(';'), Delimited(','),
                                              Delimited('\t'),   Delimited('#'), Delimited('|')};
    aSettings.back().m_cEndDelimiter = ',';
    for (const COutputSettings& settings : aSettings) {
        CValuePreparer preparer(settings);
        for (int nByte = 0; nByte < 256; ++nByte) {
            char ch = static_cast<char>(nByte);
            for (std::string strValue : {std::string(1, ch), "ab" + std::string(1, ch) + "\"c",
                                         std::string(1, ch) + "abc", "abc" + std::string(1, ch)}) {
                CLineBuffer line;
                line.Append("x;", 2);
                line.Append(strValue.data(), strValue.size());
                std::string strExpected = CleanedByTheRules(strValue, settings);
                EXPECT_EQ(!strExpected.empty(), preparer.Prepare(line, 2)) << nByte << " in '" << strValue << "'";
                EXPECT_EQ("x;" + strExpected, Text(line)) << nByte << " in '" << strValue << "'";
            }
        }
    }
}

TEST(PlainValues, NumbersFlagsAddressesDatesAndTimesOfEverySampleAreDigitsAndSigns)
{
    // The typed values that no layout cleans, quotes or escapes: whatever
    // the entry and the address format, digits, dots, dashes and colons,
    // and never empty.
    std::vector<testdata::Bytes> aBodies;
    for (uint32_t i = 0; i < 8; ++i)
        for (auto pfnSample : {&testdata::SampleConnEntry, &testdata::SampleTcpEntry, &testdata::SampleIcmpErrorEntry,
                               &testdata::SampleAuthEntry, &testdata::SampleUsageEntry})
            aBodies.push_back(pfnSample(i * 77777u));
    int nChecked = 0;
    for (EIpFormat eFormat : {IPFORMAT_STRING, IPFORMAT_FIXED, IPFORMAT_INTEGER}) {
        CColumnContext context(eFormat);
        for (const testdata::Bytes& body : aBodies) {
            CLogEntry entry = {static_cast<uint16_t>(body.size()), static_cast<uint32_t>(kEntryTime),
                               static_cast<uint32_t>(kEntryTime >> 32), body.data()};
            CLogRecord record;
            record.Decode(body.data(), static_cast<uint16_t>(body.size()));
            CColumnInput input = context.Input(entry, record, "gw1");
            for (int32_t nId = 0; nId < 1000; ++nId) {
                const CColumnDef* pColumn = FindColumn(nId);
                for (int nValue = 0; pColumn != nullptr && nValue < CountValues(*pColumn); ++nValue) {
                    const CColumnValue& value = pColumn->m_aValues[nValue];
                    CLineBuffer line;
                    if (!IsPlainValue(value.m_eType) || !value.m_pfnValue(input, line))
                        continue;
                    EXPECT_NE(0u, line.GetLength()) << value.m_pszLabel;
                    EXPECT_EQ(std::string::npos, Text(line).find_first_not_of("0123456789.-:")) << value.m_pszLabel;
                    ++nChecked;
                }
            }
        }
    }
    EXPECT_GT(nChecked, 500);
}

// ---------------------------------------------------------------- texts kept between entries

TEST(KeptTexts, OneWriterWritesWhatAFreshWriterWritesForEachEntry)
{
    // The renderers keep the local time of a minute, the gateway member and
    // the offset text between entries: a long run through one writer, with
    // gateways changing, times crossing a change of offset and going back,
    // gives each entry the line a writer of its own gives it.
    CTimeZoneScope zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const LogTime nChange = testdata::LogTimeFromUtc(2006, 10, 29, 1, 0, 0);
    const char* apszGateways[] = {"gw1", "gw1", "gw \"2\"", "", "gw1", "gateway-3"};
    testdata::Bytes (*const apfnKinds[])(uint32_t) = {&testdata::SampleConnEntry, &testdata::SampleTcpEntry,
                                                      &testdata::SampleAuthEntry, &testdata::SampleUsageEntry};
    std::vector<COutputSettings> aLayouts = {COutputSettings(), Delimited(';'), Layout(LAYOUT_JSON),
                                             Layout(LAYOUT_CSV)};
    const std::vector<std::string> aColumns = {"date",     "time",    "vantgard", "event",   "srcip",
                                               "destport", "ipproto", "usage",    "username"};
    for (const COutputSettings& settings : aLayouts) {
        CMemoryStream stream;
        CTextWriter writer(Outputs(aColumns), settings, stream.Stream());
        std::string strExpected;
        for (uint32_t i = 0; i < 400; ++i) {
            // Seconds apart, with a jump back of a minute and a half every 50.
            LogTime nTime = nChange - 120 * kLogTimeUnitsPerSecond +
                            static_cast<LogTime>(i % 50 == 49 ? i - 90 : i) * kLogTimeUnitsPerSecond +
                            static_cast<LogTime>(i) * 1237;
            testdata::Bytes body = apfnKinds[i % 4](i);
            CLogEntry entry = {static_cast<uint16_t>(body.size()), static_cast<uint32_t>(nTime),
                               static_cast<uint32_t>(nTime >> 32), body.data()};
            CLogRecord record;
            record.Decode(body.data(), entry.m_nLength);
            const char* pszGateway = apszGateways[i % 6];
            ASSERT_TRUE(writer.WriteEntry(entry, record, pszGateway));

            CMemoryStream fresh;
            CTextWriter freshWriter(Outputs(aColumns), settings, fresh.Stream());
            freshWriter.WriteEntry(entry, record, pszGateway);
            strExpected += fresh.Contents();
        }
        EXPECT_EQ(strExpected, stream.Contents()) << static_cast<int>(settings.m_eLayout) << settings.m_cDelimiter;
    }
}
