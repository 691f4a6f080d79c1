// The memory file of the fuzz targets: a memfd whose content each input
// replaces.
#include "fuzz/memory_file.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const char* pszWhat)
{
    std::perror(pszWhat);
    std::abort();
}

}  // namespace

CMemoryFile::CMemoryFile() : m_nFd(memfd_create("sarnith-fuzz", MFD_CLOEXEC))
{
    if (m_nFd < 0)
        Fail("memfd_create");
    m_strPath = "/proc/self/fd/" + std::to_string(m_nFd);
}

CMemoryFile::~CMemoryFile()
{
    close(m_nFd);
}

void CMemoryFile::Replace(const uint8_t* pData, size_t nSize) const
{
    if (ftruncate(m_nFd, 0) != 0)
        Fail("ftruncate");
    size_t nDone = 0;
    while (nDone < nSize) {
        ssize_t nWritten = pwrite(m_nFd, pData + nDone, nSize - nDone, static_cast<off_t>(nDone));
        if (nWritten <= 0)
            Fail("pwrite");
        nDone += static_cast<size_t>(nWritten);
    }
}
