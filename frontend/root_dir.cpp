// The default root directory kept in the per-user settings store: reading
// it, storing it as an absolute path (--setrootdir), checking a directory
// given for one run (--userootdir) and showing the stored one
// (--getrootdir), each with its messages.
#include "frontend/root_dir.h"

#include <cstdio>
#include <cstring>

#include "frontend/config_file.h"
#include "support/bounded_format.h"
#include "support/platform.h"

namespace {

constexpr const char* kSettingsKey = "SoftWare\\Tovrek\\Sarnith";
constexpr const char* kSettingsValue = "RootDir";

// Room for an absolute path, terminator included.
constexpr int kMaxPath = 260;

// clang-format off
constexpr const char* kFullPathFailed = "Error: Failed to get full path name for '%s'\n";
constexpr const char* kMissingDir     = "Error: The specified directory dosent exist\n";
constexpr const char* kStoreFailed    = "Error: Failed to set root dir to '%s'\n";
constexpr const char* kStored         = "Default root dir set to '%s'\n";
constexpr const char* kConfigMissing  = "Warning: %s is missing.\n";
constexpr const char* kInvalidPath    = "'%s' does not exist, or is an invalid path!\n";
constexpr const char* kNothingStored  = "No root dir set!\n";
// clang-format on

}  // namespace

CSString ReadRootDir()
{
    CSString strDir;
    if (!platform::ReadUserSetting(kSettingsKey, kSettingsValue, strDir))
        strDir.Empty();
    return strDir;
}

bool WriteRootDir(const char* pszDir)
{
    return platform::WriteUserSetting(kSettingsKey, kSettingsValue, pszDir);
}

int SetRootDir(const char* pszDir)
{
    // An empty name names no directory (it would silently become the current one).
    char szFullPath[kMaxPath];
    if (pszDir[0] == '\0' || !platform::GetFullPathName(pszDir, szFullPath, sizeof(szFullPath))) {
        std::fprintf(stderr, kFullPathFailed, pszDir);
        return 1;
    }
    if (!platform::PathExists(szFullPath)) {
        std::fputs(kMissingDir, stderr);
        return 1;
    }
    if (!WriteRootDir(szFullPath)) {
        std::fprintf(stderr, kStoreFailed, szFullPath);
        return 1;
    }
    std::fprintf(stderr, kStored, szFullPath);

    // The whole path always fits: the directory is shorter than kMaxPath.
    char szConfigPath[kMaxPath + 16];
    const char* pszFormat = szFullPath[0] != '\0' && szFullPath[std::strlen(szFullPath) - 1] == '/' ? "%s%s" : "%s/%s";
    BoundedFormat(szConfigPath, sizeof(szConfigPath), pszFormat, szFullPath, kConfigFileName);
    if (!platform::PathExists(szConfigPath))
        std::fprintf(stderr, kConfigMissing, szConfigPath);
    return 0;
}

bool CheckRootDirExists(const char* pszDir)
{
    if (platform::PathExists(pszDir))
        return true;
    std::fprintf(stderr, kInvalidPath, pszDir);
    return false;
}

void ShowRootDir()
{
    CSString strDir = ReadRootDir();
    std::fputs(strDir.IsEmpty() ? kNothingStored : strDir.GetString(), stdout);
}
