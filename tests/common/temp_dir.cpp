// A fresh temporary folder per test, removed with its contents, and whole
// files written and read in it.
#include "tests/common/temp_dir.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ftw.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

int RemoveEntry(const char* pszPath, const struct stat*, int, struct FTW*)
{
    chmod(pszPath, 0700);
    return remove(pszPath);
}

int OpenEntry(const char* pszPath, const struct stat* pStat, int, struct FTW*)
{
    chmod(pszPath, S_ISDIR(pStat->st_mode) ? 0755 : 0644);
    return 0;
}

void MakeParents(const std::string& strPath)
{
    for (size_t nPos = 1; nPos < strPath.size(); ++nPos)
        if (strPath[nPos] == '/')
            mkdir(strPath.substr(0, nPos).c_str(), 0755);
}

}  // namespace

CTempDir::CTempDir()
{
    const char* pszBase = std::getenv("TMPDIR");
    std::string strTemplate = std::string(pszBase != nullptr && pszBase[0] ? pszBase : "/tmp") + "/sarnith-test-XXXXXX";
    char* pszMade = mkdtemp(strTemplate.data());
    m_strPath = pszMade != nullptr ? pszMade : "";
}

CTempDir::~CTempDir()
{
    if (!m_strPath.empty())
        nftw(m_strPath.c_str(), RemoveEntry, 16, FTW_DEPTH | FTW_PHYS);
}

void CTempDir::OpenToAllUsers() const
{
    if (!m_strPath.empty())
        nftw(m_strPath.c_str(), OpenEntry, 16, FTW_PHYS);
}

void WriteWholeFile(const std::string& strPath, const std::string& strData)
{
    MakeParents(strPath);
    std::ofstream file(strPath, std::ios::binary | std::ios::trunc);
    file.write(strData.data(), static_cast<std::streamsize>(strData.size()));
}

std::string ReadWholeFile(const std::string& strPath)
{
    std::ifstream file(strPath, std::ios::binary);
    std::ostringstream stream;
    stream << file.rdbuf();
    return stream.str();
}
