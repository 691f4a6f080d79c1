// The command line of sarnith: the option table, the options' handlers,
// the statement file, the informational listings, and the start of the
// query run with the output settings the options gathered.
#include "frontend/command_line.h"

#include <cstdio>
#include <cstring>

#include "frontend/query_run.h"
#include "frontend/root_dir.h"
#include "frontend/run_settings.h"
#include "lql/keyword_table.h"
#include "output/output_settings.h"
#include "support/ascii.h"
#include "support/numbers.h"
#include "support/platform.h"

namespace {

// The version of project() in CMakeLists.txt.
constexpr const char* kVersion = SARNITH_VERSION;

const char* const kUsageLines[] = {
    "Sarnith: Query the log database created by Tovrek Vantgard Logger",
    "",
    "Usage: sarnith [options] \"<query>\"",
    "",
    "  query                  LQL search statement (must be quoted)",
    "",
    "  -s  --setrootdir <dir> Set the default root dir where Sarnith looks",
    "                         for log files",
    "  -r  --userootdir <dir> Use the specified root dir to look for log files",
    "  -g  --getrootdir       Displays current used root dir",
    "  -f  --file <filename>  Read the query from the specified file",
    "  -d  --delimiter <del>  Set the delimiter used when outputting the data",
    "                         This option is ignored if the output is binary",
    "  -a  --addenddelimiter  Should an ending delimiter be added. This option",
    "                         is ignored if the -d option is not used",
    "  -i  --ipformat <type>  IP address formatting. Types: 'i'=integer",
    "                         'f'=fixed-length string  's'=plain string (default)",
    "  -m  --parameters       List available search parameters",
    "  -o  --outputtypes      List available output types",
    "  -p  --priority <prio>  Set the priority of this process. Prio can be",
    "                         low,normal and high",
    "  -h  --help             Displays this information",
    "  -v  --version          Display version information",
    "",
};

const char* const kOwnershipLines[] = {
    "Copyright (C) Tovrek. All rights reserved.",
    "Reads the log database of the Tovrek Vantgard Logger without changing it.",
};

// clang-format off
constexpr const char* kVersionBanner      = "Sarnith %s Build: %s %s\n\n";
constexpr const char* kStatementConflict  = "You can't specify a search statement at the command line\n"
                                            "and also specify to get the search statement from file.\n";
constexpr const char* kNoFileName         = "Error: No filename specified!\n";
constexpr const char* kNoDelimiter        = "Error: No delimiter specified!\n";
constexpr const char* kBadEscape          = "Unknown esc sequence or not an allowed esc sequence\n";
constexpr const char* kBadDelimiter       = "Error: Unsupported delimiter '%c'\n";
constexpr const char* kNoIpFormat         = "Error: No IP address format specified!\n";
constexpr const char* kBadIpFormat        = "Error: Unknown IP address formatting type\n";
constexpr const char* kNoPriority         = "Error: No priority specified!\n";
constexpr const char* kBadPriority        = "Error: Unknown priority level\r\n";
constexpr const char* kNoThreads          = "Error: No thread count specified!\n";
constexpr const char* kBadThreads         = "Error: The thread count must be a number from 1 to %u\n";
constexpr const char* kParametersHeader   = "Available search parameters are:\n";
constexpr const char* kOutputTypesHeader  = "Available output types are:\n";
constexpr const char* kNoRootDir          = "Error: No default root dir set\n";
constexpr const char* kNoQuery            = "Error: No query specified!\n";
constexpr const char* kFileOpenFailed     = "Error: Failed to open input file '%s'\n";
constexpr const char* kFileTooLarge       = "Error: Input file '%s' to large\n";
constexpr const char* kFileReadFailed     = "Error: Failed to read from the input file '%s'\n";
constexpr const char* kUnknownError       = "Error: An unknown error was detected while processing the input query\n";
// clang-format on

// A statement file must be smaller than this.
constexpr long kMaxStatementFileSize = 65535;

// Keyword listings: names per line.
constexpr int kNamesPerLine = 3;

// The delimiters text output accepts.
constexpr const char kAllowedDelimiters[] = "\t#,;";

enum EOption {
    OPTION_HELP,
    OPTION_SETROOTDIR,
    OPTION_USEROOTDIR,
    OPTION_GETROOTDIR,
    OPTION_FILE,
    OPTION_DELIMITER,
    OPTION_ADDENDDELIMITER,
    OPTION_PARAMETERS,
    OPTION_OUTPUTTYPES,
    OPTION_IPFORMAT,
    OPTION_VERSION,
    OPTION_PRIORITY,
    OPTION_JSON,
    OPTION_CSV,
    OPTION_THREADS,
    OPTION_FOLLOW,
    OPTION_NONE,
};

// Whether an option takes the next argument as its value.
enum EOptionValue {
    VALUE_NONE,      // no value (--addenddelimiter looks at the next argument itself)
    VALUE_REQUIRED,  // the next argument, which must be there
};

struct COptionDef {
    EOption m_eOption;
    const char* m_pszShort;  // null for the options that have only a long name
    const char* m_pszLong;
    EOptionValue m_eValue;
    // Written before the usage when a required value is missing; null: the usage alone.
    const char* m_pszNoValue;
};

// Compared in this order, without regard to case.
const COptionDef kOptions[] = {
    // clang-format off
    // option                  short    long                 value           missing value
    { OPTION_HELP,             "-h",    "--help",            VALUE_NONE,     nullptr      },
    { OPTION_SETROOTDIR,       "-s",    "--setrootdir",      VALUE_REQUIRED, nullptr      },
    { OPTION_USEROOTDIR,       "-r",    "--userootdir",      VALUE_REQUIRED, nullptr      },
    { OPTION_GETROOTDIR,       "-g",    "--getrootdir",      VALUE_NONE,     nullptr      },
    { OPTION_FILE,             "-f",    "--file",            VALUE_REQUIRED, kNoFileName  },
    { OPTION_DELIMITER,        "-d",    "--delimiter",       VALUE_REQUIRED, kNoDelimiter },
    { OPTION_ADDENDDELIMITER,  "-a",    "--addenddelimiter", VALUE_NONE,     nullptr      },
    { OPTION_PARAMETERS,       "-m",    "--parameters",      VALUE_NONE,     nullptr      },
    { OPTION_OUTPUTTYPES,      "-o",    "--outputtypes",     VALUE_NONE,     nullptr      },
    { OPTION_IPFORMAT,         "-i",    "--ipformat",        VALUE_REQUIRED, kNoIpFormat  },
    { OPTION_VERSION,          "-v",    "--version",         VALUE_NONE,     nullptr      },
    { OPTION_PRIORITY,         "-p",    "--priority",        VALUE_REQUIRED, kNoPriority  },
    { OPTION_JSON,             nullptr, "--json",            VALUE_NONE,     nullptr      },
    { OPTION_CSV,              nullptr, "--csv",             VALUE_NONE,     nullptr      },
    { OPTION_THREADS,          nullptr, "--threads",         VALUE_REQUIRED, kNoThreads   },
    { OPTION_FOLLOW,           nullptr, "--follow",          VALUE_NONE,     nullptr      },
    // clang-format on
};

// What FindOption answers for an argument that is no option: a statement or anything else.
const COptionDef kNoOption = {OPTION_NONE, nullptr, nullptr, VALUE_NONE, nullptr};

struct CPriorityName {
    const char* m_pszName;
    platform::EPriority m_ePriority;
};

const CPriorityName kPriorities[] = {
    // clang-format off
    { "low",    platform::EPriority::kLow    },
    { "normal", platform::EPriority::kNormal },
    { "high",   platform::EPriority::kHigh   },
    // clang-format on
};

struct CEscapeChar {
    char m_cAfterBackslash;
    char m_cResult;
};

const CEscapeChar kEscapes[] = {
    // clang-format off
    { '"',  34 },
    { '\'', 39 },
    { '?',  63 },
    { '\\', 92 },
    { 'a',   7 },
    { 'b',   8 },
    { 'f',  12 },
    { 'n',  10 },
    { 'r',  13 },
    { 't',   9 },
    { 'v',  11 },
    // clang-format on
};

// Returned by the steps of the command line when the process goes on.
constexpr int kContinue = -1;

// Whether an argument (after its leading blanks) begins with "SELECT".
bool StartsWithSelect(const char* pszArgument)
{
    return StartsWithNoCase(SkipBlanksAndTabs(pszArgument), "select");
}

const COptionDef& FindOption(const char* pszArgument)
{
    const char* pszName = SkipBlanksAndTabs(pszArgument);
    for (const COptionDef& option : kOptions)
        if ((option.m_pszShort != nullptr && EqualNoCase(pszName, option.m_pszShort)) ||
            EqualNoCase(pszName, option.m_pszLong))
            return option;
    return kNoOption;
}

// "Mmm dd yyyy" of the compiler with the day's padding blank removed.
const char* BuildDate()
{
    static char s_szDate[sizeof(__DATE__)];
    const char* pszFrom = __DATE__;
    char* pszTo = s_szDate;
    for (; *pszFrom != '\0'; ++pszFrom)
        if (!(*pszFrom == ' ' && pszTo > s_szDate && pszTo[-1] == ' '))
            *pszTo++ = *pszFrom;
    *pszTo = '\0';
    return s_szDate;
}

void PrintVersion()
{
    std::printf(kVersionBanner, kVersion, BuildDate(), __TIME__);
    for (const char* pszLine : kOwnershipLines)
        std::printf("%s\n", pszLine);
}

// The delimiter an option argument selects; 0 after writing why it is refused.
char ParseDelimiter(const char* pszArgument)
{
    char cDelimiter = pszArgument[0];
    if (cDelimiter == '\\') {
        cDelimiter = ParseEscapeChar(pszArgument);
        if (cDelimiter == '\0') {
            std::fputs(kBadEscape, stderr);
            return '\0';
        }
    }
    if (cDelimiter == '\0' || std::strchr(kAllowedDelimiters, cDelimiter) == nullptr) {
        std::fprintf(stderr, kBadDelimiter, cDelimiter);
        return '\0';
    }
    return cDelimiter;
}

// Reads the digits of nBase from pszDigits on; the value, or -1 without a digit or
// above 255.
int ReadEscapeNumber(const char* pszDigits, uint32_t nBase)
{
    CDigitRun run = ReadDigits(pszDigits, nBase, 255);
    return run.m_nDigits == 0 || run.m_bTooLarge ? -1 : static_cast<int>(run.m_nValue);
}

// The settings gathered from the options and the steps that act on them.
class CCommandLine {
public:
    CCommandLine(int argc, const char* const* argv)
        : m_nArgc(argc),
          m_apszArgs(argv),
          m_bUseRegistry(true),
          m_bStoreRootDir(false),
          m_pszStatementFile(nullptr)
    {
    }

    int Run()
    {
        if (m_nArgc < 2)
            return PrintUsage(true);
        for (int i = 1; i < m_nArgc; ++i) {
            int nResult = HandleArgument(i);
            if (nResult != kContinue)
                return nResult;
        }
        return Finish();
    }

private:
    // The argument after index i, or null at the end of the command line.
    const char* NextArgument(int i) const { return i + 1 < m_nArgc ? m_apszArgs[i + 1] : nullptr; }

    // Handles argument i; an option that takes a value steps i over it.
    int HandleArgument(int& i)
    {
        const COptionDef& option = FindOption(m_apszArgs[i]);
        const char* pszValue = nullptr;
        if (option.m_eValue == VALUE_REQUIRED) {
            pszValue = NextArgument(i);
            if (pszValue == nullptr)
                return FailWithUsage(option.m_pszNoValue);
            ++i;
        }
        switch (option.m_eOption) {
        case OPTION_HELP:
            return PrintUsage(true);
        case OPTION_SETROOTDIR:
            m_strRootDir = pszValue;
            m_bStoreRootDir = true;
            return kContinue;
        case OPTION_USEROOTDIR:
            if (!CheckRootDirExists(pszValue))
                return 1;
            m_strRootDir = pszValue;
            m_bUseRegistry = false;
            return kContinue;
        case OPTION_GETROOTDIR:
            ShowRootDir();
            return 1;
        case OPTION_FILE:
            if (!m_strStatement.IsEmpty())
                return Fail(kStatementConflict);
            m_pszStatementFile = pszValue;
            return kContinue;
        case OPTION_DELIMITER:
            m_settings.m_eLayout = LAYOUT_TEXT;
            m_settings.m_cDelimiter = ParseDelimiter(pszValue);
            return m_settings.m_cDelimiter == '\0' ? 1 : kContinue;
        case OPTION_ADDENDDELIMITER:
            return HandleAddEndDelimiter(i);
        case OPTION_PARAMETERS:
            std::fputs(kParametersHeader, stdout);
            ListKeywords(KW_SEARCH);
            return 0;
        case OPTION_OUTPUTTYPES:
            std::fputs(kOutputTypesHeader, stdout);
            ListKeywords(KW_OUTPUT);
            return 0;
        case OPTION_IPFORMAT:
            return SetIpFormat(pszValue);
        case OPTION_VERSION:
            PrintVersion();
            return 0;
        case OPTION_PRIORITY:
            return SetPriority(pszValue);
        case OPTION_JSON:
            m_settings.m_eLayout = LAYOUT_JSON;
            return kContinue;
        case OPTION_CSV:
            m_settings.m_eLayout = LAYOUT_CSV;
            return kContinue;
        case OPTION_THREADS:
            return SetThreads(pszValue);
        case OPTION_FOLLOW:
            m_runSettings.m_bFollow = true;
            return kContinue;
        case OPTION_NONE:
            return TakeStatement(m_apszArgs[i]);
        }
        return kContinue;
    }

    // The ending delimiter is the delimiter chosen so far, unless the next
    // argument is neither a statement nor an option: then it is the ending
    // delimiter's own value.
    int HandleAddEndDelimiter(int& i)
    {
        m_settings.m_bAddEndDelimiter = true;
        m_settings.m_cEndDelimiter = m_settings.m_cDelimiter;
        const char* pszValue = NextArgument(i);
        if (pszValue == nullptr || StartsWithSelect(pszValue) || FindOption(pszValue).m_eOption != OPTION_NONE)
            return kContinue;
        ++i;
        m_settings.m_cEndDelimiter = ParseDelimiter(pszValue);
        return m_settings.m_cEndDelimiter == '\0' ? 1 : kContinue;
    }

    int SetIpFormat(const char* pszType)
    {
        switch (pszType[0]) {
        case 'i':
            m_settings.m_eIpFormat = IPFORMAT_INTEGER;
            return kContinue;
        case 'f':
            m_settings.m_eIpFormat = IPFORMAT_FIXED;
            return kContinue;
        case 's':
            m_settings.m_eIpFormat = IPFORMAT_STRING;
            return kContinue;
        default:
            return Fail(kBadIpFormat);
        }
    }

    static int SetPriority(const char* pszLevel)
    {
        for (const CPriorityName& priority : kPriorities) {
            if (EqualNoCase(pszLevel, priority.m_pszName)) {
                platform::SetProcessPriority(priority.m_ePriority);
                return kContinue;
            }
        }
        return FailWithUsage(kBadPriority);
    }

    int SetThreads(const char* pszCount)
    {
        CDigitRun run = ReadDigits(pszCount, 10, kMaxThreads);
        if (run.m_nDigits == 0 || run.m_bTooLarge || *run.m_pAfter != '\0' || run.m_nValue == 0) {
            std::fprintf(stderr, kBadThreads, kMaxThreads);
            return 1;
        }
        m_runSettings.m_nThreads = run.m_nValue;
        return kContinue;
    }

    int TakeStatement(const char* pszArgument)
    {
        if (!StartsWithSelect(pszArgument))
            return PrintUsage(false);
        if (m_pszStatementFile != nullptr)
            return Fail(kStatementConflict);
        m_strStatement = SkipBlanksAndTabs(pszArgument);
        return kContinue;
    }

    // The steps after the last argument.
    int Finish()
    {
        if (m_bStoreRootDir)
            return SetRootDir(m_strRootDir);
        if (m_pszStatementFile != nullptr && !ReadStatementFile(m_pszStatementFile, m_strStatement))
            return 1;
        if (m_bUseRegistry) {
            m_strRootDir = ReadRootDir();
            if (m_strRootDir.IsEmpty())
                return Fail(kNoRootDir);
        }
        if (m_strStatement.IsEmpty())
            return FailWithUsage(kNoQuery);
        try {
            return RunQuery(m_strStatement, m_strRootDir, m_settings, m_runSettings);
        } catch (...) {
            return Fail(kUnknownError);
        }
    }

    static int Fail(const char* pszMessage)
    {
        std::fputs(pszMessage, stderr);
        return 1;
    }

    // pszMessage, when there is one, then the usage on standard error.
    static int FailWithUsage(const char* pszMessage)
    {
        if (pszMessage != nullptr)
            std::fputs(pszMessage, stderr);
        return PrintUsage(false);
    }

    int m_nArgc;
    const char* const* m_apszArgs;

    CSString m_strStatement;
    CSString m_strRootDir;
    bool m_bUseRegistry;
    bool m_bStoreRootDir;
    const char* m_pszStatementFile;
    COutputSettings m_settings;
    CRunSettings m_runSettings;
};

}  // namespace

int RunCommandLine(int argc, const char* const* argv)
{
    try {
        CCommandLine commandLine(argc, argv);
        return commandLine.Run();
    } catch (...) {
        std::fputs(kUnknownError, stderr);
        return 1;
    }
}

int PrintUsage(bool bToStdout)
{
    FILE* pStream = bToStdout ? stdout : stderr;
    for (const char* pszLine : kUsageLines) {
        std::fputs(pszLine, pStream);
        std::fputc('\n', pStream);
    }
    return 1;
}

char ParseEscapeChar(const char* pszText)
{
    if (pszText[0] != '\\' || pszText[1] == '\0')
        return '\0';
    const char cKind = pszText[1];
    int nValue = -1;
    if (cKind == 'x')
        nValue = ReadEscapeNumber(pszText + 2, 16);
    else if (cKind >= '0' && cKind <= '7')
        nValue = ReadEscapeNumber(pszText + 1, 8);
    else
        for (const CEscapeChar& escape : kEscapes)
            if (escape.m_cAfterBackslash == cKind)
                nValue = static_cast<unsigned char>(escape.m_cResult);
    return nValue < 0 ? '\0' : static_cast<char>(nValue);
}

void ListKeywords(uint32_t nKindMask)
{
    int nListed = 0;
    CKeywordTable::ForEachListed(nKindMask, [&nListed](const char* pszName) {
        ++nListed;
        std::printf(nListed % kNamesPerLine == 0 ? "%-20s\n" : "%-20s", pszName);
    });
    std::fputc('\n', stdout);
}

CSString JoinStatementText(const char* pText, size_t nLength)
{
    CSString strJoined;
    const char* pEnd = static_cast<const char*>(std::memchr(pText, '\0', nLength));
    if (pEnd == nullptr)
        pEnd = pText + nLength;

    for (const char* pLine = pText; pLine < pEnd;) {
        const char* pLineEnd = static_cast<const char*>(std::memchr(pLine, '\n', static_cast<size_t>(pEnd - pLine)));
        if (pLineEnd == nullptr)
            pLineEnd = pEnd;
        const char* pHash = static_cast<const char*>(std::memchr(pLine, '#', static_cast<size_t>(pLineEnd - pLine)));
        const char* pKeptEnd = pHash != nullptr ? pHash : pLineEnd;
        // A "#" as first or second character drops the whole line.
        if (pLineEnd > pLine && (pHash == nullptr || pHash - pLine >= 2)) {
            strJoined += ' ';
            strJoined.Append(pLine, static_cast<int>(pKeptEnd - pLine));
        }
        pLine = pLineEnd + 1;
    }

    strJoined.Trim();
    strJoined.Replace('\t', ' ');
    strJoined.Replace('\n', ' ');
    strJoined.Replace('\r', ' ');
    return strJoined;
}

bool ReadStatementFile(const char* pszFileName, CSString& strStatement)
{
    FILE* pFile = std::fopen(pszFileName, "rb");
    if (pFile == nullptr) {
        std::fprintf(stderr, kFileOpenFailed, pszFileName);
        return false;
    }

    // A first read tells a file from something that opens but cannot be
    // read (a folder); the size comes from seeking to the end.
    std::fgetc(pFile);
    long nSize = -1;
    if (std::ferror(pFile) == 0 && std::fseek(pFile, 0, SEEK_END) == 0)
        nSize = std::ftell(pFile);
    if (nSize >= kMaxStatementFileSize) {
        std::fclose(pFile);
        std::fprintf(stderr, kFileTooLarge, pszFileName);
        return false;
    }
    char aText[kMaxStatementFileSize];
    bool bRead = nSize >= 0 && std::fseek(pFile, 0, SEEK_SET) == 0 &&
                 std::fread(aText, 1, static_cast<size_t>(nSize), pFile) == static_cast<size_t>(nSize);
    std::fclose(pFile);
    if (!bRead) {
        std::fprintf(stderr, kFileReadFailed, pszFileName);
        return false;
    }
    strStatement = JoinStatementText(aText, static_cast<size_t>(nSize));
    return true;
}
