// The log file reader: the walk over a gateway's daily files (or the one
// named file), the file and entry headers with their range rules, buffered
// reading through the daily-file stream, and the messages for what cannot
// be read.
#include "storage/log_file_reader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "storage/daily_file_stream.h"
#include "support/byte_order.h"
#include "support/platform.h"

namespace {

constexpr size_t kReadBufferSize = 8192;
constexpr int32_t kInitialEntryCapacity = 1600;
constexpr size_t kMessageBufferSize = 256;
constexpr LogTime kLatestLogTime = ~static_cast<LogTime>(0);

const char* const kMsgAccessDenied = "Access denied to file %s";
const char* const kMsgFailedToOpen = "Failed to open %s";
const char* const kMsgFailedToRead = "Failed to read %s";
const char* const kMsgWrongTag = "Expected the LOG tag but found %c%c%c";
const char* const kMsgBodyCutShort = "There is an error in one of the log files";

}  // namespace

// The open file: its stream, the status the stream told last, and the read
// buffer.
struct CLogFileState {
    CDailyFileStream m_stream;
    CSString m_strPath;
    CDailyFileStream::EStatus m_eStatus = CDailyFileStream::EStatus::kMore;
    size_t m_nValid = 0;     // bytes in m_aBuffer
    size_t m_nPosition = 0;  // next byte to hand out
    uint8_t m_aBuffer[kReadBufferSize];
};

// What the walk does after looking at the current day and sequence number.
enum class EWalkStep { kOpened, kNextSequence, kNextDay, kNextMonth };

CLogFileReader::CLogFileReader(IReaderMessages& messages, const char* pszGatewayFolder, const char* pszRootDir,
                               const struct tm& tmStart, const struct tm& tmEnd)
    : m_messages(messages),
      m_strGateway(pszGatewayFolder),
      m_strRootDir(pszRootDir)
{
    Init(tmStart, tmEnd);
    m_bSingleFile = false;
}

CLogFileReader::CLogFileReader(IReaderMessages& messages, const char* pszFilePath, const struct tm& tmStart,
                               const struct tm& tmEnd)
    : m_messages(messages),
      m_strFilePath(pszFilePath)
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
    m_nSizeLimit = 0;
    m_bSizeLimited = false;
    m_nConsumed = 0;
    m_nNextSequence = 0;
    m_pEntryBuffer.reset(new uint8_t[kInitialEntryCapacity]);
    m_nEntryCapacity = kInitialEntryCapacity;
    m_bSingleFileOpened = false;
}

CLogFileReader::~CLogFileReader() = default;

void CLogFileReader::Report(EReaderMessage eMessage, const char* pszFormat, ...)
{
    char szMessage[kMessageBufferSize];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szMessage, sizeof(szMessage), pszFormat, args);
    va_end(args);
    m_messages.Report(eMessage, szMessage);
}

void CLogFileReader::CloseFile()
{
    m_pFile.reset();
}

bool CLogFileReader::Finish()
{
    CloseFile();
    m_bFinished = true;
    return false;
}

bool CLogFileReader::OpenFile(const char* pszPath, bool bPlain)
{
    std::unique_ptr<CLogFileState> pFile(new CLogFileState);
    platform::CFileFacts facts;
    if (!pFile->m_stream.Open(pszPath, facts)) {
        Report(EReaderMessage::kFailedToOpen, kMsgFailedToOpen, pszPath);
        return false;
    }
    pFile->m_strPath = pszPath;
    m_pFile = std::move(pFile);
    Refill();

    // Only a regular file read byte for byte is held to the size it has now:
    // the size of compressed content says nothing about the bytes it holds,
    // and a pipe or device has no size at all.
    m_nConsumed = 0;
    m_bSizeLimited = bPlain && facts.m_bRegular && m_pFile->m_stream.IsPassThrough();
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
        EWalkStep eStep = EWalkStep::kNextDay;
        char szName[48];
        std::snprintf(szName, sizeof(szName), "%d%02d", m_dateCurrent.m_nYear, m_dateCurrent.m_nMonth);
        CSString strMonthFolder = strGatewayPath + szName;

        platform::EPathKind eMonth = platform::ProbePath(strMonthFolder);
        if (eMonth == platform::EPathKind::kMissing) {
            eStep = EWalkStep::kNextMonth;
        } else if (eMonth == platform::EPathKind::kDenied ||
                   (eMonth == platform::EPathKind::kFolder && !platform::FolderSearchable(strMonthFolder))) {
            Report(EReaderMessage::kAccessDenied, kMsgAccessDenied, strMonthFolder.GetString());
            eStep = EWalkStep::kNextMonth;
        } else if (eMonth != platform::EPathKind::kFolder) {
            Report(EReaderMessage::kFailedToOpen, kMsgFailedToOpen, strMonthFolder.GetString());
            eStep = EWalkStep::kNextMonth;
        } else {
            std::snprintf(szName, sizeof(szName), "/%d-%d.osl", m_dateCurrent.m_nDay, m_nNextSequence);
            CSString strPlainPath = strMonthFolder + szName;
            std::snprintf(szName, sizeof(szName), "/%d-%d.gz", m_dateCurrent.m_nDay, m_nNextSequence);
            CSString strGzipPath = strMonthFolder + szName;

            // A name that is there counts, even a link that leads nowhere.
            const CSString* pFound = &strPlainPath;
            platform::EPathKind eFile = platform::ProbePath(strPlainPath);
            if (eFile == platform::EPathKind::kMissing) {
                pFound = &strGzipPath;
                eFile = platform::ProbePath(strGzipPath);
            }

            if (eFile == platform::EPathKind::kBroken) {
                Report(EReaderMessage::kFailedToOpen, kMsgFailedToOpen, pFound->GetString());
                eStep = EWalkStep::kNextSequence;
            } else if (eFile != platform::EPathKind::kMissing) {
                if (!platform::PathReadable(*pFound))
                    Report(EReaderMessage::kAccessDenied, kMsgAccessDenied, pFound->GetString());
                else if (OpenFile(*pFound, pFound == &strPlainPath))
                    eStep = EWalkStep::kOpened;
                else
                    eStep = EWalkStep::kNextSequence;
            }
        }

        switch (eStep) {
        case EWalkStep::kOpened:
            ++m_nNextSequence;
            return true;
        case EWalkStep::kNextSequence:
            ++m_nNextSequence;
            continue;
        case EWalkStep::kNextDay:
            ++m_dateCurrent.m_nDay;
            break;
        case EWalkStep::kNextMonth:
            ++m_dateCurrent.m_nMonth;
            m_dateCurrent.m_nDay = 1;
            break;
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
    CLogFileState& file = *m_pFile;
    file.m_nPosition = 0;
    file.m_nValid = 0;
    if (file.m_eStatus == CDailyFileStream::EStatus::kMore)
        file.m_nValid = file.m_stream.Read(file.m_aBuffer, kReadBufferSize, file.m_eStatus);
    return file.m_nValid > 0;
}

size_t CLogFileReader::ReadBytes(uint8_t* pDest, size_t nCount)
{
    CLogFileState& file = *m_pFile;
    size_t nDone = 0;
    while (nDone < nCount) {
        if (file.m_nPosition == file.m_nValid && !Refill())
            break;
        size_t nTake = file.m_nValid - file.m_nPosition;
        if (nTake > nCount - nDone)
            nTake = nCount - nDone;
        if (pDest != nullptr)
            std::memcpy(pDest + nDone, file.m_aBuffer + file.m_nPosition, nTake);
        file.m_nPosition += nTake;
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

// After a read came up short: a stream that failed is reported; one that
// merely ended is not.
void CLogFileReader::ReportReadFailure()
{
    if (m_pFile->m_eStatus == CDailyFileStream::EStatus::kError)
        Report(EReaderMessage::kFailedToRead, kMsgFailedToRead, m_pFile->m_strPath.GetString());
}

// Decodes what follows the end marker of a compressed file, so that damage
// there is reported too; a file passed through is left as it is.
void CLogFileReader::ReadToTheEnd()
{
    if (m_pFile->m_stream.IsPassThrough())
        return;
    while (Refill()) {
    }
    ReportReadFailure();
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
        const uint8_t* pTag = aHeader + kFileTagOffset;
        if (ReadBytes(aHeader, kLogFileHeaderSize) < kLogFileHeaderSize) {
            ReportReadFailure();
            if (!OpenNextFile())
                return false;
            continue;
        }
        if (std::memcmp(pTag, kLogFileTag, kLogFileTagSize) != 0) {
            Report(EReaderMessage::kWrongTag, kMsgWrongTag, pTag[0], pTag[1], pTag[2]);
            if (!OpenNextFile())
                return false;
            continue;
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
        if (!IsSizeExceeded(kLogEntryHeaderSize)) {
            if (ReadBytes(m_aEntryHeader, kLogEntryHeaderSize) < kLogEntryHeaderSize) {
                ReportReadFailure();  // cut short: the next file
            } else if (ReadBigEndian16(m_aEntryHeader + kEntryBodyLengthOffset) != 0) {
                m_nConsumed += kLogEntryHeaderSize;
                return m_aEntryHeader;
            } else {
                ReadToTheEnd();  // the end marker: the next file
            }
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
            m_pEntryBuffer.reset(new uint8_t[static_cast<size_t>(nCapacity)]);
            m_nEntryCapacity = nCapacity;
        }
        if (ReadBytes(m_pEntryBuffer.get(), nLength) < nLength) {
            if (m_pFile->m_eStatus == CDailyFileStream::EStatus::kError)
                ReportReadFailure();
            else
                Report(EReaderMessage::kBodyCutShort, "%s", kMsgBodyCutShort);
            if (!ReadFileHeader())
                return Finish();
            continue;
        }
        m_nConsumed += nLength;

        entry.m_nLength = nLength;
        entry.m_nTimeLow = ReadTimeLowHalf(pTime);
        entry.m_nTimeHigh = ReadTimeHighHalf(pTime);
        entry.m_pBody = m_pEntryBuffer.get();
        return true;
    }
}
