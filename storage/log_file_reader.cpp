#include "storage/log_file_reader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <zlib.h>

#include "storage/log_file_format.h"
#include "support/byte_order.h"
#include "support/platform.h"

namespace {

constexpr size_t kReadBufferSize = 8192;
constexpr int32_t kInitialEntryCapacity = 1600;
constexpr size_t kMessageBufferSize = 256;
constexpr LogTime kLatestLogTime = ~static_cast<LogTime>(0);

const char* const kMsgAccessDenied = "Access denied to file %s";
const char* const kMsgFailedToOpen = "Failed to open %s";
const char* const kMsgWrongTag = "Expected the LOG tag but found %c%c%c";
const char* const kMsgBodyCutShort = "There is an error in one of the log files";

// The entry header just read. One buffer serves every reader of the process;
// it is used at once and never kept.
uint8_t s_aEntryHeader[kLogEntryHeaderSize];

}  // namespace

// The open file: its gzip handle and the read buffer.
struct CLogFileState {
    gzFile m_pGzFile;
    size_t m_nValid;     // bytes in m_aBuffer
    size_t m_nPosition;  // next byte to hand out
    uint8_t m_aBuffer[kReadBufferSize];
};

CLogFileReader::CLogFileReader(const char* pszGatewayFolder, const char* pszRootDir, const struct tm& tmStart,
                               const struct tm& tmEnd)
    : m_strGateway(pszGatewayFolder),
      m_strRootDir(pszRootDir)
{
    Init(tmStart, tmEnd);
    m_bSingleFile = false;
}

CLogFileReader::CLogFileReader(const char* pszFilePath, const struct tm& tmStart, const struct tm& tmEnd)
    : m_strFilePath(pszFilePath)
{
    Init(tmStart, tmEnd);
    m_bSingleFile = true;
}

void CLogFileReader::Init(const struct tm& tmStart, const struct tm& tmEnd)
{
    m_dateCurrent = CLogDate(tmStart);
    CLogDate dateEnd(tmEnd);
    // A start past the time scale leaves nothing to read; an end past it
    // leaves the range open towards the future.
    m_bFinished = !DateToLogTime(m_dateCurrent, m_nRangeStart);
    if (!DateToLogTime(dateEnd, m_nRangeEnd))
        m_nRangeEnd = kLatestLogTime;
    m_pFile = nullptr;
    m_nSizeLimit = 0;
    m_bSizeLimited = false;
    m_nConsumed = 0;
    m_nNextSequence = 0;
    m_pEntryBuffer = new uint8_t[kInitialEntryCapacity];
    m_nEntryCapacity = kInitialEntryCapacity;
    m_bSingleFileOpened = false;
}

CLogFileReader::~CLogFileReader()
{
    CloseFile();
    delete[] m_pEntryBuffer;
}

void CLogFileReader::ReportReaderError(const char* pszFormat, ...)
{
    char szMessage[kMessageBufferSize];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szMessage, sizeof(szMessage), pszFormat, args);
    va_end(args);
    std::fprintf(stderr, "%s\n", szMessage);
}

void CLogFileReader::CloseFile()
{
    if (m_pFile == nullptr)
        return;
    gzclose(m_pFile->m_pGzFile);
    delete m_pFile;
    m_pFile = nullptr;
}

bool CLogFileReader::Finish()
{
    CloseFile();
    m_bFinished = true;
    return false;
}

bool CLogFileReader::OpenFile(const char* pszPath, bool bPlain)
{
    // Opening never waits for a pipe nobody writes to; reads wait as usual.
    platform::CFileFacts facts;
    int nFd = platform::OpenForReading(pszPath, true, facts);
    gzFile pGzFile = nFd >= 0 ? gzdopen(nFd, "rb") : nullptr;
    if (pGzFile == nullptr) {
        if (nFd >= 0)
            platform::CloseFile(nFd);
        ReportReaderError(kMsgFailedToOpen, pszPath);
        return false;
    }
    m_pFile = new CLogFileState;
    m_pFile->m_pGzFile = pGzFile;
    m_pFile->m_nValid = 0;
    m_pFile->m_nPosition = 0;
    Refill();

    // Only a regular file read byte for byte is held to the size it has now:
    // the size of compressed content says nothing about the bytes it holds,
    // and a pipe or device has no size at all.
    m_nConsumed = 0;
    m_bSizeLimited = bPlain && facts.m_bRegular && gzdirect(pGzFile);
    m_nSizeLimit = m_bSizeLimited ? facts.m_nSize : 0;
    return true;
}

bool CLogFileReader::OpenNextFile()
{
    CloseFile();
    if (!m_bSingleFile)
        return OpenNextWalkFile();
    if (m_bSingleFileOpened)
        return false;
    m_bSingleFileOpened = true;
    return OpenFile(m_strFilePath, true);
}

bool CLogFileReader::OpenNextWalkFile()
{
    LogTime nCurrent;
    if (!DateToLogTime(m_dateCurrent, nCurrent) || m_nRangeEnd < nCurrent)
        return false;

    CSString strGatewayPath = m_strRootDir + "/" + m_strGateway + "/";
    for (;;) {
        char szName[48];
        std::snprintf(szName, sizeof(szName), "%d%02d/", m_dateCurrent.m_nYear, m_dateCurrent.m_nMonth);
        CSString strMonthPath = strGatewayPath + szName;

        if (!platform::PathExists(strMonthPath)) {
            ++m_dateCurrent.m_nMonth;
            m_dateCurrent.m_nDay = 1;
        } else {
            std::snprintf(szName, sizeof(szName), "%d-%d.osl", m_dateCurrent.m_nDay, m_nNextSequence);
            CSString strPlainPath = strMonthPath + szName;
            std::snprintf(szName, sizeof(szName), "%d-%d.gz", m_dateCurrent.m_nDay, m_nNextSequence);
            CSString strGzipPath = strMonthPath + szName;

            const CSString* pFound = nullptr;
            if (platform::PathExists(strPlainPath))
                pFound = &strPlainPath;
            else if (platform::PathExists(strGzipPath))
                pFound = &strGzipPath;

            if (pFound != nullptr) {
                if (platform::PathReadable(*pFound)) {
                    if (!OpenFile(*pFound, pFound == &strPlainPath))
                        return false;
                    ++m_nNextSequence;
                    return true;
                }
                ReportReaderError(kMsgAccessDenied, pFound->GetString());
            }
            ++m_dateCurrent.m_nDay;
        }
        m_nNextSequence = 0;
        m_dateCurrent.m_nHour = 0;
        m_dateCurrent.m_nMinute = 0;
        m_dateCurrent.m_nSecond = 0;

        NormalizeDate(m_dateCurrent);
        if (!DateToLogTime(m_dateCurrent, nCurrent) || m_nRangeEnd < nCurrent)
            return false;
    }
}

bool CLogFileReader::Refill()
{
    int nRead = gzread(m_pFile->m_pGzFile, m_pFile->m_aBuffer, kReadBufferSize);
    m_pFile->m_nValid = nRead > 0 ? static_cast<size_t>(nRead) : 0;  // a read error leaves it empty
    m_pFile->m_nPosition = 0;
    return m_pFile->m_nValid > 0;
}

size_t CLogFileReader::ReadBytes(uint8_t* pDest, size_t nCount)
{
    size_t nDone = 0;
    while (nDone < nCount) {
        if (m_pFile->m_nPosition == m_pFile->m_nValid && !Refill())
            break;
        size_t nTake = m_pFile->m_nValid - m_pFile->m_nPosition;
        if (nTake > nCount - nDone)
            nTake = nCount - nDone;
        if (pDest != nullptr)
            std::memcpy(pDest + nDone, m_pFile->m_aBuffer + m_pFile->m_nPosition, nTake);
        m_pFile->m_nPosition += nTake;
        nDone += nTake;
    }
    return nDone;
}

size_t CLogFileReader::SkipBytes(size_t nCount)
{
    return ReadBytes(nullptr, nCount);
}

bool CLogFileReader::IsSizeExceeded(uint32_t nMore) const
{
    return m_bSizeLimited && m_nConsumed + nMore > m_nSizeLimit;
}

bool CLogFileReader::ReadFileHeader()
{
    if (!OpenNextFile())
        return false;
    for (;;) {
        // A plain file too short for a header is passed over.
        while (IsSizeExceeded(kLogFileHeaderSize))
            if (!OpenNextFile())
                return false;

        uint8_t aHeader[kLogFileHeaderSize];
        if (ReadBytes(aHeader, kLogFileHeaderSize) < kLogFileHeaderSize)
            return false;
        const uint8_t* pTag = aHeader + kFileTagOffset;
        if (std::memcmp(pTag, kLogFileTag, kLogFileTagSize) != 0) {
            ReportReaderError(kMsgWrongTag, pTag[0], pTag[1], pTag[2]);
            return false;
        }

        const uint8_t* pLast = aHeader + kFileLastTimeOffset;
        if (ReadTimeLowHalf(pLast) == 0 && ReadTimeHighHalf(pLast) == 0)
            return true;  // still being written: no last time yet
        if (ReadStoredTime(pLast) < m_nRangeStart) {
            if (!OpenNextFile())
                return false;
            continue;
        }
        // A file starting at or after the range end; later files start later still.
        return ReadStoredTime(aHeader + kFileFirstTimeOffset) < m_nRangeEnd;
    }
}

const uint8_t* CLogFileReader::ReadEntryHeader()
{
    for (;;) {
        if (!IsSizeExceeded(kLogEntryHeaderSize) &&
            ReadBytes(s_aEntryHeader, kLogEntryHeaderSize) == kLogEntryHeaderSize &&
            ReadBigEndian16(s_aEntryHeader + kEntryBodyLengthOffset) != 0) {
            m_nConsumed += kLogEntryHeaderSize;
            return s_aEntryHeader;
        }
        // Past the size limit, cut short, or the end marker: the next file.
        if (!ReadFileHeader())
            return nullptr;
    }
}

bool CLogFileReader::ReadEntry(CLogEntry& entry)
{
    if (m_bFinished)
        return false;
    if (m_pFile == nullptr && !ReadFileHeader())
        return Finish();

    for (;;) {
        const uint8_t* pHeader = ReadEntryHeader();
        if (pHeader == nullptr)
            return Finish();
        uint16_t nLength = ReadBigEndian16(pHeader + kEntryBodyLengthOffset);
        const uint8_t* pTime = pHeader + kEntryTimeOffset;
        LogTime nTime = ReadStoredTime(pTime);

        if (IsSizeExceeded(nLength)) {
            // The entry reaches past the size the plain file had when opened.
            if (!ReadFileHeader())
                return Finish();
            continue;
        }
        if (nTime < m_nRangeStart || nTime > m_nRangeEnd) {
            SkipBytes(nLength);
            m_nConsumed += nLength;
            continue;
        }

        if (m_nEntryCapacity < nLength) {
            int32_t nCapacity = 2 * static_cast<int32_t>(nLength);
            uint8_t* pBuffer = new uint8_t[static_cast<size_t>(nCapacity)];
            delete[] m_pEntryBuffer;
            m_pEntryBuffer = pBuffer;
            m_nEntryCapacity = nCapacity;
        }
        if (ReadBytes(m_pEntryBuffer, nLength) < nLength) {
            ReportReaderError("%s", kMsgBodyCutShort);
            if (!ReadFileHeader())
                return Finish();
            continue;
        }
        m_nConsumed += nLength;

        entry.m_nLength = nLength;
        entry.m_nTimeLow = ReadTimeLowHalf(pTime);
        entry.m_nTimeHigh = ReadTimeHighHalf(pTime);
        entry.m_pBody = m_pEntryBuffer;
        return true;
    }
}
