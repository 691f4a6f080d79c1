// The folder watch on the kernel's inotify: watches on folders for changes
// of the names and files in them, and the reading of the queued events.
#include "support/folder_watch.h"

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <unistd.h>

#ifdef __linux__
#include <sys/inotify.h>
#endif

#ifdef __linux__

namespace {

// What counts as a change: names that come and go, files written or
// truncated. Reading (access, open, attribute changes through reading)
// does not count, or the watcher's own reads would wake it.
constexpr uint32_t kChanges =
    IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

}  // namespace

CFolderWatch::CFolderWatch() : m_nFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {}

int CFolderWatch::Add(const char* pszFolder) const
{
    if (m_nFd < 0)
        return -1;
    int nWatch = inotify_add_watch(m_nFd, pszFolder, kChanges | IN_ONLYDIR);
    return nWatch < 0 ? -1 : nWatch;
}

void CFolderWatch::TakeChanges(const std::function<void(int)>& fnChanged) const
{
    if (m_nFd < 0)
        return;
    alignas(struct inotify_event) char aEvents[4096];
    for (;;) {
        ssize_t nRead = read(m_nFd, aEvents, sizeof(aEvents));
        if (nRead < 0 && errno == EINTR)
            continue;
        if (nRead <= 0)
            return;
        for (size_t nAt = 0; nAt + sizeof(struct inotify_event) <= static_cast<size_t>(nRead);) {
            struct inotify_event event;
            std::memcpy(&event, aEvents + nAt, sizeof(event));
            fnChanged((event.mask & IN_Q_OVERFLOW) != 0 ? kAllWatches : event.wd);
            nAt += sizeof(struct inotify_event) + event.len;
        }
    }
}

#else

CFolderWatch::CFolderWatch() : m_nFd(-1) {}

int CFolderWatch::Add(const char*) const
{
    return -1;
}

void CFolderWatch::TakeChanges(const std::function<void(int)>&) const {}

#endif

CFolderWatch::~CFolderWatch()
{
    if (m_nFd >= 0)
        close(m_nFd);
}
