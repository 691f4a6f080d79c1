// mklogdb: writes a log database for tests, benchmarks and examples, either
// from a text description (see testing/db_description.h) or as generated
// traffic (see testing/traffic.h).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "testing/db_description.h"
#include "testing/traffic.h"

namespace {

const char* const kUsage =
    "usage: mklogdb build <description> <root-folder>\n"
    "       mklogdb generate [--gateways N] [--days D] [--entries E | --total-entries T]\n"
    "                        [--start YYYY-MM-DD] [--gzip PERCENT] [--gzip-level L]\n"
    "                        [--files-per-day F] [--explanation-bytes B] [--seed S]\n"
    "                        <root-folder>\n"
    "\n"
    "build     writes the database a description file lays out\n"
    "generate  writes N gateways (gw01, gw02, ...) with D days of E entries each\n"
    "          (or T entries in all, spread evenly), PERCENT of the daily files\n"
    "          gzip-compressed at level L, every entry with an explanation text of\n"
    "          B bytes; the same seed always gives the same files (defaults:\n"
    "          4 gateways, 7 days, 10000 entries, from 2006-06-01, 50 percent,\n"
    "          level 6, 1 file per day, no explanation, seed 1)\n";

int Fail(const std::string& strMessage)
{
    std::fprintf(stderr, "mklogdb: %s\n", strMessage.c_str());
    return 1;
}

int Usage()
{
    std::fputs(kUsage, stderr);
    return 1;
}

bool ReadNumber(const char* pszText, long long nMin, long long nMax, long long& nValue)
{
    char* pEnd = nullptr;
    nValue = std::strtoll(pszText, &pEnd, 10);
    return pszText[0] != '\0' && *pEnd == '\0' && nValue >= nMin && nValue <= nMax;
}

int Build(int nArgs, char** aArgs)
{
    if (nArgs != 4)
        return Usage();
    std::ifstream file(aArgs[2], std::ios::binary);
    if (!file)
        return Fail(std::string("cannot read ") + aArgs[2]);
    std::ostringstream text;
    text << file.rdbuf();
    std::string strError;
    if (!testdata::BuildDatabase(text.str(), aArgs[3], strError))
        return Fail(std::string(aArgs[2]) + ":" + strError);
    return 0;
}

int Generate(int nArgs, char** aArgs)
{
    using testdata::CTrafficOptions;
    using testdata::kMaxExplanationBytes;
    using testdata::kMaxGzipLevel;
    using testdata::kMinGzipLevel;
    CTrafficOptions options;
    static const struct {
        const char* m_pszOption;
        int CTrafficOptions::*m_pField;
        long long m_nMin;
        long long m_nMax;
    } kIntOptions[] = {
        // clang-format off
        // option                field                                  min            max
        {"--gateways",          &CTrafficOptions::m_nGateways,         1,             512},
        {"--days",              &CTrafficOptions::m_nDays,             1,             3660},
        {"--entries",           &CTrafficOptions::m_nEntriesPerDay,    0,             100000000},
        {"--gzip",              &CTrafficOptions::m_nGzipPercent,      0,             100},
        {"--gzip-level",        &CTrafficOptions::m_nGzipLevel,        kMinGzipLevel, kMaxGzipLevel},
        {"--files-per-day",     &CTrafficOptions::m_nFilesPerDay,      1,             1000},
        {"--explanation-bytes", &CTrafficOptions::m_nExplanationBytes, 0,             kMaxExplanationBytes},
        // clang-format on
    };
    bool bEntriesGiven = false;

    int nArg = 2;
    for (; nArg + 1 < nArgs; nArg += 2) {
        const char* pszOption = aArgs[nArg];
        const char* pszValue = aArgs[nArg + 1];
        long long nValue = 0;
        bool bKnown = false;
        for (const auto& option : kIntOptions) {
            if (std::strcmp(pszOption, option.m_pszOption) == 0) {
                if (!ReadNumber(pszValue, option.m_nMin, option.m_nMax, nValue))
                    return Fail(std::string("bad value for ") + pszOption + ": " + pszValue);
                options.*option.m_pField = static_cast<int>(nValue);
                bKnown = true;
            }
        }
        bEntriesGiven = bEntriesGiven || std::strcmp(pszOption, "--entries") == 0;
        if (std::strcmp(pszOption, "--total-entries") == 0) {
            if (!ReadNumber(pszValue, 0, testdata::kMaxTotalEntries, nValue))
                return Fail(std::string("bad value for --total-entries: ") + pszValue);
            options.m_nTotalEntries = nValue;
            bKnown = true;
        } else if (std::strcmp(pszOption, "--seed") == 0) {
            if (!ReadNumber(pszValue, 0, 0x7FFFFFFFFFFFFFFFLL, nValue))
                return Fail(std::string("bad value for --seed: ") + pszValue);
            options.m_nSeed = static_cast<uint64_t>(nValue);
            bKnown = true;
        } else if (std::strcmp(pszOption, "--start") == 0) {
            char chAfter = 0;
            if (std::sscanf(pszValue, "%4d-%2d-%2d%c", &options.m_nStartYear, &options.m_nStartMonth,
                            &options.m_nStartDay, &chAfter) != 3 ||
                options.m_nStartYear < 1970 || options.m_nStartMonth < 1 || options.m_nStartMonth > 12 ||
                options.m_nStartDay < 1 || options.m_nStartDay > 31)
                return Fail(std::string("bad value for --start: ") + pszValue);
            bKnown = true;
        }
        if (!bKnown)
            return Usage();
    }
    if (nArg != nArgs - 1 || aArgs[nArg][0] == '-')
        return Usage();
    if (bEntriesGiven && options.m_nTotalEntries >= 0)
        return Fail("--entries and --total-entries exclude each other");

    std::string strError;
    if (!testdata::GenerateTraffic(aArgs[nArg], options, strError))
        return Fail(strError);
    return 0;
}

}  // namespace

int main(int nArgs, char** aArgs)
{
    if (nArgs >= 2 && std::strcmp(aArgs[1], "build") == 0)
        return Build(nArgs, aArgs);
    if (nArgs >= 2 && std::strcmp(aArgs[1], "generate") == 0)
        return Generate(nArgs, aArgs);
    return Usage();
}
