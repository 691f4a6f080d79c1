// The log file reader: the walk's files, each scanned in turn.
#include "storage/log_file_reader.h"

#include <utility>

CLogFileReader::CLogFileReader(IReaderMessages& messages, const char* pszGatewayFolder, const char* pszRootDir,
                               const struct tm& tmStart, const struct tm& tmEnd)
    : CLogFileReader(messages, CReadRange(tmStart, tmEnd), pszGatewayFolder, pszRootDir)
{
}

CLogFileReader::CLogFileReader(IReaderMessages& messages, const char* pszFilePath, const struct tm& tmStart,
                               const struct tm& tmEnd)
    : CLogFileReader(messages, CReadRange(tmStart, tmEnd), pszFilePath)
{
}

CLogFileReader::CLogFileReader(IReaderMessages& messages, const CReadRange& range, const char* pszGatewayFolder,
                               const char* pszRootDir)
    : m_walk(messages, pszGatewayFolder, pszRootDir, range.m_dateStart, range.m_nEnd),
      m_scan(messages, range.m_nStart, range.m_nEnd),
      m_bScanning(false),
      m_bFinished(range.m_bEmpty)
{
}

CLogFileReader::CLogFileReader(IReaderMessages& messages, const CReadRange& range, const char* pszFilePath)
    : m_walk(messages, pszFilePath),
      m_scan(messages, range.m_nStart, range.m_nEnd),
      m_bScanning(false),
      m_bFinished(range.m_bEmpty)
{
}

bool CLogFileReader::ReadEntry(CLogEntry& entry)
{
    while (!m_bFinished) {
        if (m_bScanning && m_scan.ReadEntry(entry))
            return true;
        m_bScanning = false;

        std::unique_ptr<COpenedDailyFile> pFile;
        CDailyFileWalk::EStep eStep;
        while ((eStep = m_walk.Next(pFile)) == CDailyFileWalk::EStep::kReported) {
        }
        if (eStep == CDailyFileWalk::EStep::kEnd)
            break;
        switch (m_scan.Start(std::move(pFile))) {
        case CDailyFileScan::EStart::kEntries:
            m_bScanning = true;
            break;
        case CDailyFileScan::EStart::kNextFile:
            break;
        case CDailyFileScan::EStart::kReaderEnds:
            m_bFinished = true;
            break;
        }
    }
    m_bFinished = true;
    return false;
}
