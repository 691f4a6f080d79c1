// CTempDir: a fresh folder under the system's temporary folder for one test,
// removed with everything in it when the object is destroyed. Helpers to
// write and read whole files in it.
#ifndef SARNITH_TESTS_COMMON_TEMP_DIR_H
#define SARNITH_TESTS_COMMON_TEMP_DIR_H

#include <string>

class CTempDir {
public:
    CTempDir();
    ~CTempDir();
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    const std::string& Path() const { return m_strPath; }
    // Path of a name inside the folder.
    std::string operator/(const std::string& strName) const { return m_strPath + "/" + strName; }
    // Lets every user enter the folder and read what it holds now: folders
    // become 0755, files 0644.
    void OpenToAllUsers() const;

private:
    std::string m_strPath;
};

// Writes (replacing) a whole file, creating missing parent folders.
void WriteWholeFile(const std::string& strPath, const std::string& strData);
// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& strPath);

#endif
