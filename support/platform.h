// The platform layer: the few operating-system services the program needs,
// in one place, so the rest of the code stays portable.
//
// - process priority (lowest scheduling priority, raised priority);
// - standard output switched to binary mode (nothing to do on this system);
// - the per-user settings store that keeps the default root directory: a key
//   path such as "SoftWare\Tovrek\Sarnith" maps to a folder under the user's
//   configuration directory ($XDG_CONFIG_HOME, else $HOME/.config) holding one
//   file per value; values are written atomically (temporary file, rename);
// - file services: absolute path, existence, readability, what lies at a
//   path, folders and the names in them, and opening a file for reading
//   without waiting on a pipe;
// - the limit of open files, raised as far as this process may;
// - the number of processors this process may run on;
// - whether the reader of an output (a pipe or socket) has gone away;
// - what a file or folder is now (identity, size, last change), for
//   following files that grow.
//
// Nothing here keeps state or hands out memory the caller must free; a
// descriptor from OpenForReading belongs to the caller, who closes it.
#ifndef SARNITH_SUPPORT_PLATFORM_H
#define SARNITH_SUPPORT_PLATFORM_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "support/sstring.h"

namespace platform {

enum class EPriority { kLow, kNormal, kHigh };

// Changes the priority of this process; failures are not reported.
void SetProcessPriority(EPriority ePriority);

// Makes standard output pass every byte unchanged.
void SetStdoutBinary();

// Reads a value of the per-user settings store; false when the key or the
// value is missing or cannot be read. The value is the text up to its first
// zero byte within the first 64 KiB of the stored value; a value file that
// turned out to be a pipe or device never holds the reading up.
bool ReadUserSetting(const char* pszKeyPath, const char* pszValueName, CSString& strValue);

// Stores a value (creating the key path when missing); true when stored.
bool WriteUserSetting(const char* pszKeyPath, const char* pszValueName, const char* pszValue);

// The absolute form of a path: joined to the current directory and
// normalised ("." and ".." removed, separators folded), without resolving
// links and without requiring that it exists. False when the result would
// not fit into nSize characters or the current directory is unknown.
bool GetFullPathName(const char* pszPath, char* pszFull, size_t nSize);

// True when something (file or directory) exists at the path.
bool PathExists(const char* pszPath);

// True when the path may be opened for reading by this process.
bool PathReadable(const char* pszPath);

// What lies at a path, symbolic links followed.
enum class EPathKind {
    kMissing,  // nothing: no such name, or a part of the path is no folder
    kFolder,   // a folder
    kOther,    // a file, pipe, device or socket
    kDenied,   // a folder on the way may not be searched, so it cannot be told
    kBroken,   // a link that leads nowhere or into a loop, or a path that cannot be examined
};
EPathKind ProbePath(const char* pszPath);

// True when the entries of the folder at the path may be looked up by this
// process.
bool FolderSearchable(const char* pszPath);

// What ListFolder found.
enum class EListing {
    kListed,   // every name of the folder was handed over
    kMissing,  // there is no folder: no such name, or a part of the path is no folder
    kFailed,   // the folder cannot be listed (denied, a link loop, a read error...)
};

// Hands every name in the folder at the path, "." and ".." left out, to
// fnName, in no particular order. After kFailed some names may have been
// handed over already.
EListing ListFolder(const char* pszPath, const std::function<void(const char*)>& fnName);

// Creates a folder and its missing parents, private to this user or
// readable by everyone; true when the folder exists afterwards.
bool MakeFolders(const char* pszPath, bool bPrivate);

// What the file system told about a file when it was opened.
struct CFileFacts {
    bool m_bRegular;   // a regular file, not a pipe, device or socket
    uint64_t m_nSize;  // the size of a regular file; 0 for the other kinds
};

// Opens a file read-only without waiting: a named pipe that nobody writes to
// opens at once. With bBlockingReads, reads then wait for data as usual;
// without, a read that would have to wait fails at once. A directory counts
// as a file that cannot be opened. Returns the descriptor, or -1.
int OpenForReading(const char* pszPath, bool bBlockingReads, CFileFacts& facts);

// Reads from nFd until its end or until nMaxBytes bytes are there, appending
// them to strData; false after a read error (strData then holds what came
// before it).
bool ReadUpTo(int nFd, size_t nMaxBytes, std::string& strData);

// Closes a descriptor from OpenForReading.
void CloseFile(int nFd);

// Raises the soft limit of open files of this process to its hard limit;
// failures are not reported.
void RaiseOpenFileLimit();

// The number of processors this process may run on (at least 1).
unsigned UsableProcessorCount();

// True when nFd is a pipe or socket whose reading end has been closed, so
// that every write to it fails (EPIPE); false for files, terminals and
// outputs that are still read. Asks without waiting and changes nothing.
bool IsReaderGone(int nFd);

// True when nFd is a terminal.
bool IsTerminal(int nFd);

// What a file or folder is at one moment: which one it is (device and
// inode), its size, and when its content last changed.
struct CFileState {
    uint64_t m_nDevice;
    uint64_t m_nInode;
    uint64_t m_nSize;
    int64_t m_nChangedNs;  // last modification, nanoseconds since 1970
};

// The state of what lies at a path (links followed); false when nothing can be examined there.
bool StatPath(const char* pszPath, CFileState& state);
// The state of an open descriptor's file; false when it cannot be examined.
bool StatDescriptor(int nFd, CFileState& state);

// The real-time clock in nanoseconds since 1970, as file times are told.
int64_t WallClockNs();

}  // namespace platform

#endif
