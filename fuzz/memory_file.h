// CMemoryFile: a file that lives in memory and has a path, for fuzz targets
// whose code under test opens files by name (the log file reader, the
// configuration loader).
//
// The file is an anonymous memory file (memfd); its path is the process's
// link to the descriptor ("/proc/self/fd/N"), which the code under test opens
// read-only like any regular file. Replace swaps the whole content for each
// input, so nothing touches the disk.
//
// Ownership: the object owns its descriptor and closes it when destroyed.
#ifndef SARNITH_FUZZ_MEMORY_FILE_H
#define SARNITH_FUZZ_MEMORY_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>

class CMemoryFile {
public:
    // Aborts when the system cannot create the file: a fuzz target without
    // its input file would test nothing.
    CMemoryFile();
    ~CMemoryFile();
    CMemoryFile(const CMemoryFile&) = delete;
    CMemoryFile& operator=(const CMemoryFile&) = delete;

    // Makes the file hold exactly these bytes (the object itself stays as it
    // is); aborts when it cannot.
    void Replace(const uint8_t* pData, size_t nSize) const;
    const char* GetPath() const { return m_strPath.c_str(); }

private:
    int m_nFd;
    std::string m_strPath;
};

#endif
