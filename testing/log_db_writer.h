// The test-data writer for log databases: "Ostrel.cfg" configuration files,
// daily log files (plain or gzip-compressed, well-formed or deliberately
// broken) and whole databases laid out as root/gateway/YYYYMM/D-N.osl|.gz.
//
// Used by the unit tests, the end-to-end tests, the benchmarks and the
// mklogdb tool. Everything here builds plain values (std::string byte
// buffers) owned by the caller; the Write functions create missing folders
// and report failure through their result, never by throwing.
//
// Daily files are written in the stored form of storage/log_file_format.h:
// a file header, then per entry an entry header and the element list as given.
#ifndef SARNITH_TESTING_LOG_DB_WRITER_H
#define SARNITH_TESTING_LOG_DB_WRITER_H

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "storage/log_entry.h"

namespace testdata {

// ---------------------------------------------------------------------------
// LogTime helpers (all UTC)

// LogTime of a calendar time value (seconds since 1970-01-01 00:00 UTC) plus
// a count of 100-nanosecond units below the second.
LogTime LogTimeFromUnix(int64_t nSeconds, uint32_t nSubSecond = 0);
// LogTime of a UTC date and time; month 1-12, day 1-31.
LogTime LogTimeFromUtc(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0);
// Seconds since 1970-01-01 00:00 UTC of a LogTime (sub-second part dropped).
int64_t UnixFromLogTime(LogTime nTime);
// A UTC broken-down time (struct tm as gmtime fills it) of a date and time,
// as the statement parser hands ranges to a log file reader.
struct tm UtcTm(int nYear, int nMonth, int nDay, int nHour = 0, int nMinute = 0, int nSecond = 0);

// A UTC calendar date with time of day; the fields a daily file is named by.
struct CUtcDate {
    int m_nYear;
    int m_nMonth;  // 1-12
    int m_nDay;    // 1-31
    int m_nHour;
    int m_nMinute;
    int m_nSecond;
};
CUtcDate UtcDateOf(LogTime nTime);

// ---------------------------------------------------------------------------
// Configuration file "Ostrel.cfg"

struct CGateway {
    std::string m_strName;
    std::string m_strAddress;  // dotted IPv4 text as written to FWIPn
};

// Builds the text of a logger configuration file. The standard keys come
// first, in the order UDPPORT, NRFIREWALLS, FILESIZE, MAINTENANCE,
// DAYS_TO_KEEP, with the defaults 999, (number of gateways), 1, 0, 10; then
// FWIPn and FWNAMEn for every gateway. Any key may be given another value
// (kept at its place) or left out; extra lines go at the end.
class CConfigWriter {
public:
    CConfigWriter() = default;
    explicit CConfigWriter(const std::vector<CGateway>& aGateways);

    CConfigWriter& AddGateway(const std::string& strName, const std::string& strAddress);
    // Writes strValue for the key (a standard key, FWIPn, FWNAMEn or a new one).
    CConfigWriter& Set(const std::string& strKey, const std::string& strValue);
    // Leaves the key out of the file.
    CConfigWriter& Omit(const std::string& strKey);
    // Appends a raw line (comment, malformed line, duplicate key...).
    CConfigWriter& AddLine(const std::string& strLine);

    std::string Text() const;
    // Writes root/Ostrel.cfg; false when it cannot be written.
    bool Write(const std::string& strRootDir) const;

private:
    void AppendKey(std::string& strText, const std::string& strKey, const std::string& strDefault) const;

    std::vector<CGateway> m_aGateways;
    std::map<std::string, std::string> m_aOverrides;
    std::vector<std::string> m_aOmitted;
    std::vector<std::string> m_aExtraLines;
};

// The file name of the configuration in the root directory.
constexpr const char* kConfigFileName = "Ostrel.cfg";

// Writes arbitrary text as root/Ostrel.cfg; false when it cannot be written.
bool WriteConfigText(const std::string& strRootDir, const std::string& strText);

// ---------------------------------------------------------------------------
// Daily files

enum class ECompression { kPlain, kGzip };

// The compression levels of gzip files, 1 (fastest) to 9 (smallest); zlib
// and gzip write level 6 unless told otherwise.
constexpr int kMinGzipLevel = 1;
constexpr int kMaxGzipLevel = 9;
constexpr int kDefaultGzipLevel = 6;

// The bytes of one daily file, built in order. Unless set explicitly, the
// header's first time is the earliest and its last time the latest entry time
// added (0 and 0 for a file without entries). Entry headers carry the body
// length of the previous entry at offset 4, as the logger writes them.
class CDailyFile {
public:
    CDailyFile();

    CDailyFile& SetTag(const std::string& strThreeBytes);
    CDailyFile& SetFirstTime(LogTime nTime);
    CDailyFile& SetLastTime(LogTime nTime);  // 0: no last time recorded

    // A whole entry; the body is at most 65535 bytes (longer bodies are a
    // programming error and stop the process).
    CDailyFile& AddEntry(LogTime nTime, const std::string& strBody);
    CDailyFile& AddEntry(LogTime nTime, const std::vector<uint8_t>& aBody);
    CDailyFile& AddEntry(LogTime nTime, const void* pBody, size_t nLength);

    // An entry header that announces nLength bytes, followed by only the
    // first nWritten bytes of the body (a body cut short).
    CDailyFile& AddCutEntry(LogTime nTime, const std::string& strBody, size_t nWritten);
    // Only the first nBytes (under 16) of an entry header: a header cut short.
    CDailyFile& AddCutEntryHeader(LogTime nTime, uint16_t nLength, size_t nBytes);
    // An entry header with body length 0: the end of the file's entries. The
    // logger writes one at the end of a finished file; more entries may be
    // added after it to build a file with an end marker in the middle.
    CDailyFile& AddEndMarker();
    // Arbitrary bytes at the current end.
    CDailyFile& AddRawBytes(const std::string& strBytes);

    // Keeps only the first nBytes of the finished file (header included), for
    // files cut inside their header or an entry.
    CDailyFile& CutTo(size_t nBytes);

    // The finished file bytes (uncompressed).
    std::string Bytes() const;
    // Writes the file (creating folders), compressed at the given level when
    // gzip; false on failure.
    bool Write(const std::string& strPath, ECompression eCompression, int nGzipLevel = kDefaultGzipLevel) const;

    size_t EntryCount() const { return m_nEntries; }

private:
    void AppendEntryHeader(LogTime nTime, uint16_t nLength);
    void NoteTime(LogTime nTime);

    std::string m_strTag;
    bool m_bFirstSet;
    bool m_bLastSet;
    LogTime m_nFirstTime;
    LogTime m_nLastTime;
    LogTime m_nEarliest;
    LogTime m_nLatest;
    uint16_t m_nPrevLength;
    size_t m_nEntries;
    std::string m_strBody;  // everything after the 20-byte file header
    size_t m_nCutTo;        // SIZE_MAX: not cut
};

// Writes bytes as a file, plain or gzip-compressed (zlib's gz interface at
// the given level), creating missing folders; false on failure.
bool WriteFileBytes(const std::string& strPath, const std::string& strBytes, ECompression eCompression,
                    int nGzipLevel = kDefaultGzipLevel);
// The gzip stream of the bytes, as gzip would write it (for tests that cut or
// damage the compressed stream itself).
std::string GzipBytes(const std::string& strBytes);
// How GzipMember frames its member: optional header fields and deliberate
// damage (defaults: a plain, sound member).
struct CGzipMemberOptions {
    bool m_bExtra = false;  // an extra field holding m_strExtra
    std::string m_strExtra;
    bool m_bName = false;  // a file name field holding m_strName
    std::string m_strName;
    bool m_bComment = false;  // a comment field holding m_strComment
    std::string m_strComment;
    bool m_bHeaderCrc = false;  // a header CRC, XORed with m_nHeaderCrcFlip
    uint32_t m_nHeaderCrcFlip = 0;
    uint8_t m_nMethod = 8;                    // compression method byte (8: deflate)
    uint8_t m_nExtraFlags = 0;                // more flag bits (reserved ones, for damage)
    uint32_t m_nCrcFlip = 0;                  // XORed into the trailer CRC
    uint32_t m_nSizeAdd = 0;                  // added to the trailer size
    int m_nLevel = -1;                        // zlib's compression level, 0-9 (-1: its default)
    int m_nStrategy = 0;                      // zlib's strategy (Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, ...)
    size_t m_nFlushEvery = 0;                 // a full flush after every that many bytes (0: none)
    const std::string* m_pDeflate = nullptr;  // raw deflate data to frame instead of compressing
};
// One gzip member of the bytes, its header built field by field around
// zlib's raw deflate data (or the given one).
std::string GzipMember(const std::string& strBytes, const CGzipMemberOptions& options = CGzipMemberOptions());
// The bytes a gzip stream decodes to up to its end or its first error
// (zlib's inflate), for tests of damaged streams.
std::string GunzipPrefix(const std::string& strGzip);
// Creates a folder and its missing parents; true when it exists afterwards.
bool MakeFolders(const std::string& strPath);

// ---------------------------------------------------------------------------
// Whole databases

// A log database under a root folder: names of its folders and daily files,
// and entries collected per gateway that are written out as daily files
// grouped by UTC day.
class CLogDatabase {
public:
    explicit CLogDatabase(const std::string& strRootDir);

    const std::string& Root() const { return m_strRootDir; }
    // root/gateway
    std::string GatewayFolder(const std::string& strGateway) const;
    // root/gateway/YYYYMM
    std::string MonthFolder(const std::string& strGateway, int nYear, int nMonth) const;
    // root/gateway/YYYYMM/D-N.osl or .gz
    std::string DailyFilePath(const std::string& strGateway, int nYear, int nMonth, int nDay, int nSequence,
                              ECompression eCompression) const;

    // Writes one daily file at its place (gzip files at the given level);
    // false on failure.
    bool WriteDailyFile(const std::string& strGateway, int nYear, int nMonth, int nDay, int nSequence,
                        ECompression eCompression, const CDailyFile& file, int nGzipLevel = kDefaultGzipLevel) const;
    bool WriteConfig(const CConfigWriter& config) const;

    // Collects an entry for a gateway; nothing is written until WriteEntries.
    void AddEntry(const std::string& strGateway, LogTime nTime, const std::string& strBody);
    void AddEntry(const std::string& strGateway, LogTime nTime, const std::vector<uint8_t>& aBody);

    // How collected entries become files.
    struct CLayout {
        ECompression m_eCompression = ECompression::kPlain;
        bool m_bAlternate = false;     // plain and gzip in turn, starting with m_eCompression
        size_t m_nEntriesPerFile = 0;  // 0: one file per day; else more sequence numbers
        bool m_bEndMarker = true;      // end each file with a zero-length entry header
    };

    // Writes the collected entries: per gateway, sorted by time (stable),
    // one or more files per UTC day, and forgets them. False on failure.
    bool WriteEntries(const CLayout& layout);
    bool WriteEntries() { return WriteEntries(CLayout()); }

private:
    struct CPendingEntry {
        LogTime m_nTime;
        std::string m_strBody;
    };

    std::string m_strRootDir;
    std::map<std::string, std::vector<CPendingEntry>> m_aPending;
};

}  // namespace testdata

#endif
