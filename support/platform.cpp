// The operating-system services the program uses: process priority, the
// per-user settings store (files under the configuration directory), full
// path names, path checks, folder creation, opening files for reading and
// asking whether an output's reader has gone away.
#include "support/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr int kLowestPriority = 19;
constexpr int kRaisedPriority = -10;

// A stored setting is read up to this many bytes.
constexpr size_t kMaxSettingBytes = 65536;

// The folder of the settings store: the configuration directory followed by
// the key path with its backslashes turned into slashes.
bool SettingsFolder(const char* pszKeyPath, std::string& strFolder)
{
    const char* pszConfig = std::getenv("XDG_CONFIG_HOME");
    if (pszConfig != nullptr && pszConfig[0] == '/') {
        strFolder = pszConfig;
    } else {
        const char* pszHome = std::getenv("HOME");
        if (pszHome == nullptr || pszHome[0] == '\0')
            return false;
        strFolder = std::string(pszHome) + "/.config";
    }
    std::string strKey(pszKeyPath);
    for (char& ch : strKey)
        if (ch == '\\')
            ch = '/';
    strFolder += "/" + strKey;
    return true;
}

}  // namespace

void SetProcessPriority(EPriority ePriority)
{
    switch (ePriority) {
    case EPriority::kLow:
        setpriority(PRIO_PROCESS, 0, kLowestPriority);
        break;
    case EPriority::kHigh:
        setpriority(PRIO_PROCESS, 0, kRaisedPriority);
        break;
    case EPriority::kNormal:
        break;
    }
}

void SetStdoutBinary()
{
    // Standard output never translates line ends here.
}

bool ReadUserSetting(const char* pszKeyPath, const char* pszValueName, CSString& strValue)
{
    std::string strFolder;
    if (!SettingsFolder(pszKeyPath, strFolder))
        return false;
    std::string strFile = strFolder + "/" + pszValueName;
    CFileFacts facts;
    int nFd = OpenForReading(strFile.c_str(), false, facts);
    if (nFd < 0)
        return false;
    std::string strData;
    bool bOk = ReadUpTo(nFd, kMaxSettingBytes, strData);
    CloseFile(nFd);
    if (!bOk)
        return false;
    strValue = strData.c_str();  // the text up to its first zero byte
    return true;
}

bool WriteUserSetting(const char* pszKeyPath, const char* pszValueName, const char* pszValue)
{
    std::string strFolder;
    if (!SettingsFolder(pszKeyPath, strFolder) || !MakeFolders(strFolder.c_str(), true))
        return false;
    std::string strFile = strFolder + "/" + pszValueName;
    std::string strTemp = strFile + ".tmp." + std::to_string(getpid());
    int nFd = open(strTemp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (nFd < 0)
        return false;
    size_t nLength = std::strlen(pszValue) + 1;  // the value is stored with its terminator
    const char* p = pszValue;
    bool bOk = true;
    while (nLength > 0) {
        ssize_t nWritten = write(nFd, p, nLength);
        if (nWritten < 0 && errno == EINTR)
            continue;
        if (nWritten <= 0) {
            bOk = false;
            break;
        }
        p += nWritten;
        nLength -= static_cast<size_t>(nWritten);
    }
    if (fsync(nFd) != 0)
        bOk = false;
    if (close(nFd) != 0)
        bOk = false;
    if (bOk && rename(strTemp.c_str(), strFile.c_str()) != 0)
        bOk = false;
    if (!bOk)
        unlink(strTemp.c_str());
    return bOk;
}

bool GetFullPathName(const char* pszPath, char* pszFull, size_t nSize)
{
    std::string strJoined;
    if (pszPath[0] != '/') {
        char aCwd[4096];
        if (getcwd(aCwd, sizeof(aCwd)) == nullptr)
            return false;
        strJoined = aCwd;
        strJoined += "/";
    }
    strJoined += pszPath;

    // Normalise: fold separators, drop ".", let ".." remove the part before it.
    std::string strResult;
    size_t nPos = 0;
    while (nPos < strJoined.size()) {
        size_t nEnd = strJoined.find('/', nPos);
        if (nEnd == std::string::npos)
            nEnd = strJoined.size();
        std::string strPart = strJoined.substr(nPos, nEnd - nPos);
        nPos = nEnd + 1;
        if (strPart.empty() || strPart == ".")
            continue;
        if (strPart == "..") {
            size_t nSlash = strResult.rfind('/');
            strResult.erase(nSlash == std::string::npos ? 0 : nSlash);
            continue;
        }
        strResult += "/" + strPart;
    }
    if (strResult.empty())
        strResult = "/";
    if (strResult.size() + 1 > nSize)
        return false;
    std::memcpy(pszFull, strResult.c_str(), strResult.size() + 1);
    return true;
}

bool PathExists(const char* pszPath)
{
    struct stat info;
    return stat(pszPath, &info) == 0;
}

bool PathReadable(const char* pszPath)
{
    return access(pszPath, R_OK) == 0;
}

EPathKind ProbePath(const char* pszPath)
{
    struct stat info;
    if (stat(pszPath, &info) == 0)
        return S_ISDIR(info.st_mode) ? EPathKind::kFolder : EPathKind::kOther;
    switch (errno) {
    case ENOENT:
        // A name that is there but leads nowhere is a dangling link.
        return lstat(pszPath, &info) == 0 ? EPathKind::kBroken : EPathKind::kMissing;
    case ENOTDIR:
        return EPathKind::kMissing;
    case EACCES:
        return EPathKind::kDenied;
    default:
        return EPathKind::kBroken;
    }
}

bool FolderSearchable(const char* pszPath)
{
    return access(pszPath, X_OK) == 0;
}

EListing ListFolder(const char* pszPath, const std::function<void(const char*)>& fnName)
{
    DIR* pFolder = opendir(pszPath);
    if (pFolder == nullptr)
        return errno == ENOENT || errno == ENOTDIR ? EListing::kMissing : EListing::kFailed;
    EListing eResult = EListing::kListed;
    for (;;) {
        errno = 0;
        const struct dirent* pEntry = readdir(pFolder);
        if (pEntry == nullptr) {
            if (errno != 0)
                eResult = EListing::kFailed;
            break;
        }
        const char* pszName = pEntry->d_name;
        if (std::strcmp(pszName, ".") != 0 && std::strcmp(pszName, "..") != 0)
            fnName(pszName);
    }
    closedir(pFolder);
    return eResult;
}

bool MakeFolders(const char* pszPath, bool bPrivate)
{
    const std::string strFolder(pszPath);
    const mode_t nMode = bPrivate ? 0700 : 0755;
    for (size_t nPos = 1; nPos <= strFolder.size(); ++nPos) {
        if (nPos == strFolder.size() || strFolder[nPos] == '/') {
            std::string strPart = strFolder.substr(0, nPos);
            if (mkdir(strPart.c_str(), nMode) != 0 && errno != EEXIST)
                return false;
        }
    }
    struct stat info;
    return stat(strFolder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int OpenForReading(const char* pszPath, bool bBlockingReads, CFileFacts& facts)
{
    int nFd = open(pszPath, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0)
        return -1;
    struct stat info;
    int nFlags = fcntl(nFd, F_GETFL);
    if (fstat(nFd, &info) != 0 || S_ISDIR(info.st_mode) || nFlags < 0 ||
        (bBlockingReads && fcntl(nFd, F_SETFL, nFlags & ~O_NONBLOCK) != 0)) {
        close(nFd);
        return -1;
    }
    facts.m_bRegular = S_ISREG(info.st_mode);
    facts.m_nSize = facts.m_bRegular ? static_cast<uint64_t>(info.st_size) : 0;
    return nFd;
}

bool ReadUpTo(int nFd, size_t nMaxBytes, std::string& strData)
{
    char aChunk[4096];
    size_t nGot = 0;
    while (nGot < nMaxBytes) {
        size_t nWanted = std::min(sizeof(aChunk), nMaxBytes - nGot);
        ssize_t nRead = read(nFd, aChunk, nWanted);
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead < 0)
            return false;
        if (nRead == 0)
            break;
        strData.append(aChunk, static_cast<size_t>(nRead));
        nGot += static_cast<size_t>(nRead);
    }
    return true;
}

void CloseFile(int nFd)
{
    close(nFd);
}

void RaiseOpenFileLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

unsigned UsableProcessorCount()
{
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof(cpus), &cpus) == 0 && CPU_COUNT(&cpus) > 0)
        return static_cast<unsigned>(CPU_COUNT(&cpus));
    long nOnline = sysconf(_SC_NPROCESSORS_ONLN);
    return nOnline > 0 ? static_cast<unsigned>(nOnline) : 1;
}

bool IsReaderGone(int nFd)
{
    // A pipe without a reader reports an error condition to its writer; a
    // socket whose peer has closed reports a hang-up.
    struct pollfd output = {nFd, POLLOUT, 0};
    return poll(&output, 1, 0) == 1 && (output.revents & (POLLERR | POLLHUP)) != 0;
}

bool IsTerminal(int nFd)
{
    return isatty(nFd) == 1;
}

namespace {

void FillState(const struct stat& info, CFileState& state)
{
    state.m_nDevice = static_cast<uint64_t>(info.st_dev);
    state.m_nInode = static_cast<uint64_t>(info.st_ino);
    state.m_nSize = static_cast<uint64_t>(info.st_size);
    state.m_nChangedNs = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
}

}  // namespace

bool StatPath(const char* pszPath, CFileState& state)
{
    struct stat info;
    if (stat(pszPath, &info) != 0)
        return false;
    FillState(info, state);
    return true;
}

bool StatDescriptor(int nFd, CFileState& state)
{
    struct stat info;
    if (fstat(nFd, &info) != 0)
        return false;
    FillState(info, state);
    return true;
}

int64_t WallClockNs()
{
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<int64_t>(now.tv_sec) * 1000000000 + now.tv_nsec;
}

}  // namespace platform
