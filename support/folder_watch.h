// CFolderWatch: tells when something changes in the folders it was asked
// to watch (a file created, written, truncated, renamed or removed in
// them), so that a process waiting for such changes can sleep until one
// comes. Built on the kernel's inotify where it is there; where it is not,
// or a watch cannot be added (the per-user limit of watches is reached),
// Add says so and the caller looks at that folder by polling instead.
//
// GetDescriptor is readable when changes are waiting; TakeChanges hands
// each changed watch's number to a function (kAllWatches when the kernel
// lost track of some), without waiting.
//
// Ownership: the watch owns its descriptor and closes it when destroyed.
#ifndef SARNITH_SUPPORT_FOLDER_WATCH_H
#define SARNITH_SUPPORT_FOLDER_WATCH_H

#include <functional>

class CFolderWatch {
public:
    // Stands for every watch: changes may have been missed.
    static constexpr int kAllWatches = -1;

    CFolderWatch();
    ~CFolderWatch();
    CFolderWatch(const CFolderWatch&) = delete;
    CFolderWatch& operator=(const CFolderWatch&) = delete;

    // The descriptor to wait on for changes; -1 when not available.
    int GetDescriptor() const { return m_nFd; }

    // Watches the folder at the path; the watch's number (the same for the
    // same folder), or -1 when it cannot be watched.
    int Add(const char* pszFolder) const;

    // Hands the number of every watch that saw a change since the last call
    // to fnChanged, possibly more than once; returns at once.
    void TakeChanges(const std::function<void(int)>& fnChanged) const;

private:
    int m_nFd;
};

#endif
