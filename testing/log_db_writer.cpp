// The test-data writer's files: LogTime conversions, "Ostrel.cfg" files,
// daily files (plain or gzip, well-formed or broken in chosen ways) and whole
// databases laid out by gateway, month and day.
#include "testing/log_db_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <zlib.h>

#include "storage/gzip_format.h"
#include "storage/log_file_format.h"
#include "support/ascii.h"
#include "support/assert.h"
#include "support/byte_order.h"
#include "support/platform.h"

namespace testdata {

namespace {

constexpr size_t kNotCut = static_cast<size_t>(-1);
constexpr int64_t kSecondsPerDay = 86400;
constexpr int64_t kSecondsPerHour = 3600;
constexpr int64_t kSecondsPerMinute = 60;

void AppendBytes(std::string& str, const uint8_t* pBytes, size_t nCount)
{
    str.append(reinterpret_cast<const char*>(pBytes), nCount);
}

// A LogTime in its stored form.
void PutLogTime(uint8_t* pTime, LogTime nTime)
{
    PutStoredTime(pTime, static_cast<uint32_t>(nTime & 0xFFFFFFFFu), static_cast<uint32_t>(nTime >> 32));
}

// An entry header: the format byte, the two lengths and the time; zeros elsewhere.
void AppendStoredEntryHeader(std::string& str, uint16_t nLength, uint16_t nPrevLength, LogTime nTime)
{
    uint8_t aHeader[kLogEntryHeaderSize] = {};
    aHeader[kEntryFormatByteOffset] = kLogFormatByte;
    PutBigEndian16(aHeader + kEntryBodyLengthOffset, nLength);
    PutBigEndian16(aHeader + kEntryPrevLengthOffset, nPrevLength);
    PutLogTime(aHeader + kEntryTimeOffset, nTime);
    AppendBytes(str, aHeader, sizeof(aHeader));
}

// Days from 1970-01-01 to a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t nYear, int nMonth, int nDay)
{
    nYear -= nMonth <= 2 ? 1 : 0;
    int64_t nEra = (nYear >= 0 ? nYear : nYear - 399) / 400;
    int64_t nYearOfEra = nYear - nEra * 400;
    int64_t nDayOfYear = (153 * (nMonth + (nMonth > 2 ? -3 : 9)) + 2) / 5 + nDay - 1;
    int64_t nDayOfEra = nYearOfEra * 365 + nYearOfEra / 4 - nYearOfEra / 100 + nDayOfYear;
    return nEra * 146097 + nDayOfEra - 719468;
}

// The inverse of DaysFromCivil.
void CivilFromDays(int64_t nDays, int& nYear, int& nMonth, int& nDay)
{
    nDays += 719468;
    int64_t nEra = (nDays >= 0 ? nDays : nDays - 146096) / 146097;
    int64_t nDayOfEra = nDays - nEra * 146097;
    int64_t nYearOfEra = (nDayOfEra - nDayOfEra / 1460 + nDayOfEra / 36524 - nDayOfEra / 146096) / 365;
    int64_t nDayOfYear = nDayOfEra - (365 * nYearOfEra + nYearOfEra / 4 - nYearOfEra / 100);
    int64_t nMonthIndex = (5 * nDayOfYear + 2) / 153;
    nDay = static_cast<int>(nDayOfYear - (153 * nMonthIndex + 2) / 5 + 1);
    nMonth = static_cast<int>(nMonthIndex < 10 ? nMonthIndex + 3 : nMonthIndex - 9);
    nYear = static_cast<int>(nYearOfEra + nEra * 400 + (nMonth <= 2 ? 1 : 0));
}

// Seconds since 1970-01-01 00:00:00 UTC of a UTC date and time.
int64_t UnixFromUtc(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    return DaysFromCivil(nYear, nMonth, nDay) * kSecondsPerDay + int64_t{nHour} * kSecondsPerHour +
           int64_t{nMinute} * kSecondsPerMinute + nSecond;
}

bool IsSameDay(const CUtcDate& a, const CUtcDate& b)
{
    return a.m_nYear == b.m_nYear && a.m_nMonth == b.m_nMonth && a.m_nDay == b.m_nDay;
}

std::string UpperCase(const std::string& str)
{
    std::string strUpper(str);
    for (char& ch : strUpper)
        ch = ToUpperAscii(ch);
    return strUpper;
}

std::string ParentFolder(const std::string& strPath)
{
    size_t nSlash = strPath.rfind('/');
    return nSlash == std::string::npos || nSlash == 0 ? std::string() : strPath.substr(0, nSlash);
}

bool WritePlain(const std::string& strPath, const std::string& strBytes)
{
    FILE* pFile = std::fopen(strPath.c_str(), "wb");
    if (pFile == nullptr)
        return false;
    bool bOk = std::fwrite(strBytes.data(), 1, strBytes.size(), pFile) == strBytes.size();
    return std::fclose(pFile) == 0 && bOk;
}

bool WriteGzip(const std::string& strPath, const std::string& strBytes, int nGzipLevel)
{
    char szMode[8];
    std::snprintf(szMode, sizeof(szMode), "wb%d", nGzipLevel);
    gzFile pFile = gzopen(strPath.c_str(), szMode);
    if (pFile == nullptr)
        return false;
    bool bOk = true;
    size_t nDone = 0;
    while (bOk && nDone < strBytes.size()) {
        unsigned nChunk = static_cast<unsigned>(std::min<size_t>(strBytes.size() - nDone, 1u << 20));
        bOk = gzwrite(pFile, strBytes.data() + nDone, nChunk) == static_cast<int>(nChunk);
        nDone += nChunk;
    }
    return gzclose(pFile) == Z_OK && bOk;
}

}  // namespace

// ---------------------------------------------------------------------------
// LogTime helpers

LogTime LogTimeFromUnix(int64_t nSeconds, uint32_t nSubSecond)
{
    return static_cast<LogTime>(nSeconds + static_cast<int64_t>(kLogTimeEpochSeconds)) * kLogTimeUnitsPerSecond +
           nSubSecond;
}

LogTime LogTimeFromUtc(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    return LogTimeFromUnix(UnixFromUtc(nYear, nMonth, nDay, nHour, nMinute, nSecond));
}

int64_t UnixFromLogTime(LogTime nTime)
{
    return static_cast<int64_t>(nTime / kLogTimeUnitsPerSecond) - static_cast<int64_t>(kLogTimeEpochSeconds);
}

struct tm UtcTm(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond)
{
    time_t nSeconds = static_cast<time_t>(UnixFromUtc(nYear, nMonth, nDay, nHour, nMinute, nSecond));
    struct tm tmResult;
    std::memset(&tmResult, 0, sizeof(tmResult));
    gmtime_r(&nSeconds, &tmResult);
    return tmResult;
}

CUtcDate UtcDateOf(LogTime nTime)
{
    int64_t nSeconds = UnixFromLogTime(nTime);
    int64_t nDays = nSeconds >= 0 ? nSeconds / kSecondsPerDay : -((-nSeconds + kSecondsPerDay - 1) / kSecondsPerDay);
    int64_t nOfDay = nSeconds - nDays * kSecondsPerDay;
    CUtcDate date;
    CivilFromDays(nDays, date.m_nYear, date.m_nMonth, date.m_nDay);
    date.m_nHour = static_cast<int>(nOfDay / 3600);
    date.m_nMinute = static_cast<int>(nOfDay / 60 % 60);
    date.m_nSecond = static_cast<int>(nOfDay % 60);
    return date;
}

// ---------------------------------------------------------------------------
// Configuration file

CConfigWriter::CConfigWriter(const std::vector<CGateway>& aGateways) : m_aGateways(aGateways) {}

CConfigWriter& CConfigWriter::AddGateway(const std::string& strName, const std::string& strAddress)
{
    m_aGateways.push_back(CGateway{strName, strAddress});
    return *this;
}

CConfigWriter& CConfigWriter::Set(const std::string& strKey, const std::string& strValue)
{
    m_aOverrides[UpperCase(strKey)] = strValue;
    return *this;
}

CConfigWriter& CConfigWriter::Omit(const std::string& strKey)
{
    m_aOmitted.push_back(UpperCase(strKey));
    return *this;
}

CConfigWriter& CConfigWriter::AddLine(const std::string& strLine)
{
    m_aExtraLines.push_back(strLine);
    return *this;
}

void CConfigWriter::AppendKey(std::string& strText, const std::string& strKey, const std::string& strDefault) const
{
    if (std::find(m_aOmitted.begin(), m_aOmitted.end(), strKey) != m_aOmitted.end())
        return;
    auto it = m_aOverrides.find(strKey);
    strText += strKey + "=" + (it != m_aOverrides.end() ? it->second : strDefault) + "\n";
}

std::string CConfigWriter::Text() const
{
    static const char* const s_aStandardKeys[][2] = {
        // clang-format off
        // key            default
        {"UDPPORT",       "999"},
        {"NRFIREWALLS",   nullptr},  // the number of gateways
        {"FILESIZE",      "1"},
        {"MAINTENANCE",   "0"},
        {"DAYS_TO_KEEP",  "10"},
        // clang-format on
    };

    std::vector<std::string> aWritten;
    std::string strText = "# Logger configuration\n";
    for (const auto& key : s_aStandardKeys) {
        std::string strDefault = key[1] != nullptr ? key[1] : std::to_string(m_aGateways.size());
        AppendKey(strText, key[0], strDefault);
        aWritten.push_back(key[0]);
    }
    for (size_t n = 0; n < m_aGateways.size(); ++n) {
        std::string strIpKey = "FWIP" + std::to_string(n);
        std::string strNameKey = "FWNAME" + std::to_string(n);
        AppendKey(strText, strIpKey, m_aGateways[n].m_strAddress);
        AppendKey(strText, strNameKey, m_aGateways[n].m_strName);
        aWritten.push_back(strIpKey);
        aWritten.push_back(strNameKey);
    }
    for (const auto& entry : m_aOverrides)
        if (std::find(aWritten.begin(), aWritten.end(), entry.first) == aWritten.end())
            AppendKey(strText, entry.first, entry.second);
    for (const std::string& strLine : m_aExtraLines)
        strText += strLine + "\n";
    return strText;
}

bool CConfigWriter::Write(const std::string& strRootDir) const
{
    return WriteConfigText(strRootDir, Text());
}

bool WriteConfigText(const std::string& strRootDir, const std::string& strText)
{
    return MakeFolders(strRootDir) && WritePlain(strRootDir + "/" + kConfigFileName, strText);
}

// ---------------------------------------------------------------------------
// Daily files

CDailyFile::CDailyFile()
    : m_strTag(kLogFileTag),
      m_bFirstSet(false),
      m_bLastSet(false),
      m_nFirstTime(0),
      m_nLastTime(0),
      m_nEarliest(0),
      m_nLatest(0),
      m_nPrevLength(0),
      m_nEntries(0),
      m_nCutTo(kNotCut)
{
}

CDailyFile& CDailyFile::SetTag(const std::string& strThreeBytes)
{
    m_strTag = (strThreeBytes + std::string(kLogFileTagSize, '\0')).substr(0, kLogFileTagSize);
    return *this;
}

CDailyFile& CDailyFile::SetFirstTime(LogTime nTime)
{
    m_bFirstSet = true;
    m_nFirstTime = nTime;
    return *this;
}

CDailyFile& CDailyFile::SetLastTime(LogTime nTime)
{
    m_bLastSet = true;
    m_nLastTime = nTime;
    return *this;
}

void CDailyFile::NoteTime(LogTime nTime)
{
    if (m_nEntries == 0 || nTime < m_nEarliest)
        m_nEarliest = nTime;
    if (m_nEntries == 0 || nTime > m_nLatest)
        m_nLatest = nTime;
    ++m_nEntries;
}

void CDailyFile::AppendEntryHeader(LogTime nTime, uint16_t nLength)
{
    AppendStoredEntryHeader(m_strBody, nLength, m_nPrevLength, nTime);
    m_nPrevLength = nLength;
}

CDailyFile& CDailyFile::AddEntry(LogTime nTime, const void* pBody, size_t nLength)
{
    SARNITH_ASSERT(nLength <= 0xFFFF);
    AppendEntryHeader(nTime, static_cast<uint16_t>(nLength));
    m_strBody.append(static_cast<const char*>(pBody), nLength);
    NoteTime(nTime);
    return *this;
}

CDailyFile& CDailyFile::AddEntry(LogTime nTime, const std::string& strBody)
{
    return AddEntry(nTime, strBody.data(), strBody.size());
}

CDailyFile& CDailyFile::AddEntry(LogTime nTime, const std::vector<uint8_t>& aBody)
{
    return AddEntry(nTime, aBody.data(), aBody.size());
}

CDailyFile& CDailyFile::AddCutEntry(LogTime nTime, const std::string& strBody, size_t nWritten)
{
    SARNITH_ASSERT(strBody.size() <= 0xFFFF && nWritten <= strBody.size());
    AppendEntryHeader(nTime, static_cast<uint16_t>(strBody.size()));
    m_strBody.append(strBody, 0, nWritten);
    NoteTime(nTime);
    return *this;
}

CDailyFile& CDailyFile::AddCutEntryHeader(LogTime nTime, uint16_t nLength, size_t nBytes)
{
    SARNITH_ASSERT(nBytes < kLogEntryHeaderSize);
    size_t nStart = m_strBody.size();
    uint16_t nPrevLength = m_nPrevLength;
    AppendEntryHeader(nTime, nLength);
    m_strBody.resize(nStart + nBytes);
    m_nPrevLength = nPrevLength;
    return *this;
}

CDailyFile& CDailyFile::AddEndMarker()
{
    AppendStoredEntryHeader(m_strBody, 0, m_nPrevLength, 0);
    return *this;
}

CDailyFile& CDailyFile::AddRawBytes(const std::string& strBytes)
{
    m_strBody += strBytes;
    return *this;
}

CDailyFile& CDailyFile::CutTo(size_t nBytes)
{
    m_nCutTo = nBytes;
    return *this;
}

std::string CDailyFile::Bytes() const
{
    uint8_t aHeader[kLogFileHeaderSize] = {};
    std::memcpy(aHeader + kFileTagOffset, m_strTag.data(), kLogFileTagSize);
    aHeader[kFileFormatByteOffset] = kLogFormatByte;
    PutLogTime(aHeader + kFileFirstTimeOffset, m_bFirstSet ? m_nFirstTime : m_nEarliest);
    PutLogTime(aHeader + kFileLastTimeOffset, m_bLastSet ? m_nLastTime : m_nLatest);
    std::string strFile;
    AppendBytes(strFile, aHeader, sizeof(aHeader));
    strFile += m_strBody;
    if (m_nCutTo < strFile.size())
        strFile.resize(m_nCutTo);
    return strFile;
}

bool CDailyFile::Write(const std::string& strPath, ECompression eCompression, int nGzipLevel) const
{
    return WriteFileBytes(strPath, Bytes(), eCompression, nGzipLevel);
}

bool MakeFolders(const std::string& strPath)
{
    return platform::MakeFolders(strPath.c_str(), false);
}

bool WriteFileBytes(const std::string& strPath, const std::string& strBytes, ECompression eCompression, int nGzipLevel)
{
    std::string strParent = ParentFolder(strPath);
    if (!strParent.empty() && !MakeFolders(strParent))
        return false;
    if (eCompression == ECompression::kPlain)
        return WritePlain(strPath, strBytes);
    return nGzipLevel >= kMinGzipLevel && nGzipLevel <= kMaxGzipLevel && WriteGzip(strPath, strBytes, nGzipLevel);
}

namespace {

// The bytes compressed by zlib's deflate with the given window bits (15 + 16:
// a gzip wrapper; -15: raw deflate data), level and strategy, with a full
// flush after every nFlushEvery bytes when that is not 0.
std::string Deflate(const std::string& strBytes, int nWindowBits, int nLevel = Z_DEFAULT_COMPRESSION,
                    int nStrategy = Z_DEFAULT_STRATEGY, size_t nFlushEvery = 0)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    int nResult = deflateInit2(&stream, nLevel, Z_DEFLATED, nWindowBits, 8, nStrategy);
    SARNITH_ASSERT(nResult == Z_OK);
    size_t nFlushes = nFlushEvery == 0 ? 0 : strBytes.size() / nFlushEvery;
    std::string strOut(deflateBound(&stream, static_cast<uLong>(strBytes.size())) + 8 * nFlushes, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(strBytes.data()));
    stream.next_out = reinterpret_cast<Bytef*>(strOut.data());
    stream.avail_out = static_cast<uInt>(strOut.size());
    size_t nDone = 0;
    do {
        size_t nPart = nFlushEvery == 0 ? strBytes.size() - nDone : std::min(nFlushEvery, strBytes.size() - nDone);
        stream.avail_in = static_cast<uInt>(nPart);
        nDone += nPart;
        nResult = deflate(&stream, nDone == strBytes.size() ? Z_FINISH : Z_FULL_FLUSH);
    } while (nResult == Z_OK && nDone < strBytes.size());
    SARNITH_ASSERT(nResult == Z_STREAM_END);
    strOut.resize(stream.total_out);
    deflateEnd(&stream);
    return strOut;
}

// The CRC and the size in the member trailer are 4 bytes each.
constexpr size_t kTrailerFieldSize = kGzipTrailerSizeOffset - kGzipTrailerCrcOffset;

void AppendLittleEndian(std::string& strOut, uint32_t nValue, size_t nBytes)
{
    for (size_t i = 0; i < nBytes; ++i)
        strOut += static_cast<char>((nValue >> (8 * i)) & 0xFF);
}

uint32_t Crc32Of(const std::string& strBytes)
{
    return static_cast<uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(strBytes.data()), static_cast<uInt>(strBytes.size())));
}

}  // namespace

std::string GzipBytes(const std::string& strBytes)
{
    return Deflate(strBytes, 15 + 16);
}

std::string GzipMember(const std::string& strBytes, const CGzipMemberOptions& options)
{
    uint8_t nFlags = 0;
    if (options.m_bExtra)
        nFlags |= kGzipFlagExtra;
    if (options.m_bName)
        nFlags |= kGzipFlagName;
    if (options.m_bComment)
        nFlags |= kGzipFlagComment;
    if (options.m_bHeaderCrc)
        nFlags |= kGzipFlagHeaderCrc;
    std::string strMember(reinterpret_cast<const char*>(kGzipMagic), kGzipMagicSize);
    strMember += static_cast<char>(options.m_nMethod);
    strMember += static_cast<char>(nFlags | options.m_nExtraFlags);
    strMember.append(kGzipHeaderSize - strMember.size(), '\0');  // time, extra flags, system
    if (options.m_bExtra) {
        AppendLittleEndian(strMember, static_cast<uint32_t>(options.m_strExtra.size()), kGzipExtraLengthSize);
        strMember += options.m_strExtra;
    }
    if (options.m_bName)
        strMember += options.m_strName + '\0';
    if (options.m_bComment)
        strMember += options.m_strComment + '\0';
    if (options.m_bHeaderCrc)
        AppendLittleEndian(strMember, Crc32Of(strMember) ^ options.m_nHeaderCrcFlip, kGzipHeaderCrcSize);
    strMember += options.m_pDeflate != nullptr
                     ? *options.m_pDeflate
                     : Deflate(strBytes, -15, options.m_nLevel, options.m_nStrategy, options.m_nFlushEvery);
    AppendLittleEndian(strMember, Crc32Of(strBytes) ^ options.m_nCrcFlip, kTrailerFieldSize);
    AppendLittleEndian(strMember, static_cast<uint32_t>(strBytes.size()) + options.m_nSizeAdd, kTrailerFieldSize);
    return strMember;
}

std::string GunzipPrefix(const std::string& strGzip)
{
    z_stream stream;
    std::memset(&stream, 0, sizeof(stream));
    int nResult = inflateInit2(&stream, 15 + 16);
    SARNITH_ASSERT(nResult == Z_OK);
    std::string strOut;
    char aChunk[4096];
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(strGzip.data()));
    stream.avail_in = static_cast<uInt>(strGzip.size());
    do {
        stream.next_out = reinterpret_cast<Bytef*>(aChunk);
        stream.avail_out = sizeof(aChunk);
        nResult = inflate(&stream, Z_NO_FLUSH);
        strOut.append(aChunk, sizeof(aChunk) - stream.avail_out);
    } while (nResult == Z_OK);
    inflateEnd(&stream);
    return strOut;
}

// ---------------------------------------------------------------------------
// Whole databases

CLogDatabase::CLogDatabase(const std::string& strRootDir) : m_strRootDir(strRootDir) {}

std::string CLogDatabase::GatewayFolder(const std::string& strGateway) const
{
    return m_strRootDir + "/" + strGateway;
}

std::string CLogDatabase::MonthFolder(const std::string& strGateway, int nYear, int nMonth) const
{
    char szMonth[32];
    std::snprintf(szMonth, sizeof(szMonth), "%d%02d", nYear, nMonth);
    return GatewayFolder(strGateway) + "/" + szMonth;
}

std::string CLogDatabase::DailyFilePath(const std::string& strGateway, int nYear, int nMonth, int nDay, int nSequence,
                                        ECompression eCompression) const
{
    char szName[48];
    std::snprintf(szName, sizeof(szName), eCompression == ECompression::kGzip ? "%d-%d.gz" : "%d-%d.osl", nDay,
                  nSequence);
    return MonthFolder(strGateway, nYear, nMonth) + "/" + szName;
}

bool CLogDatabase::WriteDailyFile(const std::string& strGateway, int nYear, int nMonth, int nDay, int nSequence,
                                  ECompression eCompression, const CDailyFile& file, int nGzipLevel) const
{
    return file.Write(DailyFilePath(strGateway, nYear, nMonth, nDay, nSequence, eCompression), eCompression,
                      nGzipLevel);
}

bool CLogDatabase::WriteConfig(const CConfigWriter& config) const
{
    return config.Write(m_strRootDir);
}

void CLogDatabase::AddEntry(const std::string& strGateway, LogTime nTime, const std::string& strBody)
{
    m_aPending[strGateway].push_back(CPendingEntry{nTime, strBody});
}

void CLogDatabase::AddEntry(const std::string& strGateway, LogTime nTime, const std::vector<uint8_t>& aBody)
{
    AddEntry(strGateway, nTime, std::string(aBody.begin(), aBody.end()));
}

bool CLogDatabase::WriteEntries(const CLayout& layout)
{
    ECompression eNext = layout.m_eCompression;
    bool bOk = true;
    for (auto& gateway : m_aPending) {
        std::vector<CPendingEntry>& aEntries = gateway.second;
        std::stable_sort(aEntries.begin(), aEntries.end(),
                         [](const CPendingEntry& a, const CPendingEntry& b) { return a.m_nTime < b.m_nTime; });
        size_t nIndex = 0;
        auto bSameDay = [&](const CUtcDate& day) {
            return nIndex < aEntries.size() && IsSameDay(UtcDateOf(aEntries[nIndex].m_nTime), day);
        };
        while (nIndex < aEntries.size()) {
            CUtcDate day = UtcDateOf(aEntries[nIndex].m_nTime);
            int nSequence = 0;
            do {
                CDailyFile file;
                while (bSameDay(day) &&
                       (layout.m_nEntriesPerFile == 0 || file.EntryCount() < layout.m_nEntriesPerFile)) {
                    file.AddEntry(aEntries[nIndex].m_nTime, aEntries[nIndex].m_strBody);
                    ++nIndex;
                }
                if (layout.m_bEndMarker)
                    file.AddEndMarker();
                if (!WriteDailyFile(gateway.first, day.m_nYear, day.m_nMonth, day.m_nDay, nSequence++, eNext, file))
                    bOk = false;
                if (layout.m_bAlternate)
                    eNext = eNext == ECompression::kPlain ? ECompression::kGzip : ECompression::kPlain;
            } while (bSameDay(day));
        }
    }
    m_aPending.clear();
    return bOk;
}

}  // namespace testdata
