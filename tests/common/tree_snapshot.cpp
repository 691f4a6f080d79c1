// The snapshot of a folder tree: nftw over it, one description per path.
#include "tests/common/tree_snapshot.h"

#include <ftw.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/common/temp_dir.h"

namespace {

// The snapshot being taken: nftw calls back without a context.
std::map<std::string, std::string>* s_pSnapshot = nullptr;

int NoteEntry(const char* pszPath, const struct stat* pInfo, int, struct FTW*)
{
    std::ostringstream description;
    description << std::oct << pInfo->st_mode << std::dec << ' ' << pInfo->st_size << ' ' << pInfo->st_mtim.tv_sec
                << '.' << pInfo->st_mtim.tv_nsec << ' ' << pInfo->st_ctim.tv_sec << '.' << pInfo->st_ctim.tv_nsec;
    if (S_ISLNK(pInfo->st_mode)) {
        char szTarget[4096];
        ssize_t nLength = readlink(pszPath, szTarget, sizeof(szTarget));
        description << " -> " << std::string(szTarget, nLength > 0 ? static_cast<size_t>(nLength) : 0);
    } else if (S_ISREG(pInfo->st_mode)) {
        description << ' ' << ReadWholeFile(pszPath);
    }
    (*s_pSnapshot)[pszPath] = description.str();
    return 0;
}

}  // namespace

std::map<std::string, std::string> TreeSnapshot(const std::string& strRoot)
{
    std::map<std::string, std::string> aSnapshot;
    s_pSnapshot = &aSnapshot;
    nftw(strRoot.c_str(), NoteEntry, 16, FTW_PHYS);
    s_pSnapshot = nullptr;
    return aSnapshot;
}
