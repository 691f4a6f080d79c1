// The run's problem receiver: each reader message printed as it comes and
// counted, undecodable entries counted, and the closing warning with its
// singular and plural counts.
#include "frontend/run_problems.h"

namespace {

// "1 file", "3 files": the count and the noun in singular or plural.
std::string Counted(uint64_t nCount, const char* pszOne, const char* pszMany)
{
    return std::to_string(nCount) + " " + (nCount == 1 ? pszOne : pszMany);
}

}  // namespace

void CRunProblems::Report(EReaderMessage, const char* pszText)
{
    std::fprintf(m_pMessages, "%s\n", pszText);
    ++m_nUnreadFiles;
}

std::string CRunProblems::WarningText() const
{
    std::string strFiles;
    std::string strEntries;
    if (m_nUnreadFiles > 0)
        strFiles = Counted(m_nUnreadFiles, "file", "files") + " could not be read";
    if (m_nUndecodedEntries > 0)
        strEntries = Counted(m_nUndecodedEntries, "entry", "entries") + " could not be decoded";
    if (strFiles.empty() && strEntries.empty())
        return std::string();
    std::string strJoined =
        !strFiles.empty() && !strEntries.empty() ? strFiles + " and " + strEntries : strFiles + strEntries;
    return "Warning: " + strJoined;
}

int CRunProblems::Conclude() const
{
    std::string strWarning = WarningText();
    if (strWarning.empty())
        return 0;
    std::fprintf(m_pMessages, "%s\n", strWarning.c_str());
    return kExitProblems;
}
