// The logger's configuration file "Ostrel.cfg" and the settings read from it.
//
// CConfigFile reads the file into key=value entries (comments kept, texts
// trimmed) and answers lookups by key without regard to letter case; the
// first entry of a key wins. CLoggerConfig is filled from a read file: the
// logger's settings, range-checked, and the table of up to 512 gateways
// (IPv4 address and name).
//
// Errors of a bad line, a failed read, a missing key or a value out of range
// are raised as CErrorText (at most 255 characters); the caller prints them.
// Ownership: CConfigFile owns its entries; CLoggerConfig owns its gateway
// name copies, which live as long as it does.
#ifndef SARNITH_FRONTEND_CONFIG_FILE_H
#define SARNITH_FRONTEND_CONFIG_FILE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>

#include "support/dynarray/dynarray.h"
#include "support/sstring.h"

// The name of the configuration file in the root directory.
constexpr const char* kConfigFileName = "Ostrel.cfg";

// Formats a configuration error (cut to 255 characters) and raises it as a
// CErrorText.
[[noreturn]] void ThrowConfigError(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

// One line of the file. A comment line has an empty key and value.
struct CConfigEntry {
    CSString m_strComment;
    CSString m_strKey;
    CSString m_strValue;
};

class CConfigFile {
public:
    explicit CConfigFile(const char* pszPath);

    // Reads the whole file. False when it cannot be opened or is no regular
    // file (a folder, pipe or device); a line without "=", a failed read or a
    // file larger than kMaxFileBytes raises a CErrorText.
    bool Read();

    const CSString& GetPath() const { return m_strPath; }
    int GetEntryCount() const { return m_aEntries.GetSize(); }
    const CConfigEntry& GetEntry(int nIndex) const { return m_aEntries[nIndex]; }

    bool HasKey(const char* pszKey) const;
    // The value of the key (empty and false when absent).
    bool GetString(const char* pszKey, CSString& strValue) const;
    // The value read as one unsigned decimal number, as "%u" reads it;
    // false when absent or without a number.
    bool GetUInt(const char* pszKey, uint32_t& nValue) const;
    // The value read as a dotted IPv4 address, first byte first; false when
    // absent or malformed.
    bool GetIpAddress(const char* pszKey, uint8_t (&aAddress)[4]) const;

    // A configuration is read up to this size; a larger file is refused.
    static constexpr size_t kMaxFileBytes = size_t{1024} * 1024;

private:
    static constexpr size_t kMaxLineLength = 1022;

    const CConfigEntry* FindEntry(const char* pszKey) const;
    void AddLine(CSString strLine);
    void AddEntry(const CConfigEntry& entry);

    CSString m_strPath;
    CDynArray<CConfigEntry> m_aEntries;
    // Each key, folded to lower case, to the index of its first entry: a
    // configuration of 512 gateways is looked up a thousand times.
    std::unordered_map<std::string, int> m_firstEntryOfKey;
};

class CLoggerConfig {
public:
    enum { kMaxGateways = 512 };

    CLoggerConfig();
    ~CLoggerConfig();
    CLoggerConfig(const CLoggerConfig&) = delete;
    CLoggerConfig& operator=(const CLoggerConfig&) = delete;

    // Checks the settings of a read file in their fixed order and fills the
    // gateway table; the first failing check raises its CErrorText. Called
    // once per object.
    void Load(const CConfigFile& file);

    int GetGatewayCount() const { return m_nGatewaysStored; }
    const char* const* GetGatewayNames() const { return m_apszGatewayNames; }
    const uint8_t* GetGatewayAddress(int nIndex) const { return m_aGatewayAddresses[nIndex]; }

    uint16_t GetUdpPort() const { return m_nUdpPort; }
    uint16_t GetFileSize() const { return m_nFileSize; }
    uint16_t GetDaysToKeep() const { return m_nDaysToKeep; }
    uint16_t GetMaintenanceHour() const { return m_nMaintenanceHour; }

private:
    struct CRangedSetting;
    static const CRangedSetting s_aRangedSettings[];

    void LoadGateways(const CConfigFile& file);

    uint16_t m_nUdpPort;
    uint16_t m_nFirewallCount;
    uint16_t m_nGatewaysStored;
    uint16_t m_nFileSize;
    uint16_t m_nDaysToKeep;
    uint16_t m_nMaintenanceHour;
    uint8_t m_aGatewayAddresses[kMaxGateways][4];
    char* m_apszGatewayNames[kMaxGateways];
};

#endif
