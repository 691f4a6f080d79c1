// One statement from its text to its output: the configuration file of the
// root directory read and checked, the statement parsed against the
// configured gateways, and the parsed query handed to ExecuteQuery. A
// configuration file that cannot be read or is rejected is reported here.
#include "frontend/query_run.h"

#include <cstdio>

#include "frontend/config_file.h"
#include "frontend/execute_query.h"
#include "lql/query.h"
#include "lql/statement_parser.h"
#include "output/output_settings.h"
#include "support/error_text.h"

namespace {

constexpr const char* kConfigUnread = "Error: Failed to read the %s\n";
constexpr const char* kConfigRejected = "%s\r\n";
constexpr const char* kBinaryLayout = "Error: %s cannot be used with binary output\n";

// The option that chose a layout other than the text layouts; null for those.
const char* LayoutOption(EOutputLayout eLayout)
{
    switch (eLayout) {
    case LAYOUT_JSON:
        return "--json";
    case LAYOUT_CSV:
        return "--csv";
    case LAYOUT_TEXT:
        break;
    }
    return nullptr;
}

}  // namespace

CSString ConfigFilePath(const CSString& strRootDir)
{
    CSString strPath = strRootDir;
    strPath.Trim();
    int nLength = strPath.GetLength();
    if (nLength == 0 || (strPath[nLength - 1] != '/' && strPath[nLength - 1] != '\\'))
        strPath += "/";
    strPath += kConfigFileName;
    return strPath;
}

int RunQuery(const CSString& strStatement, const CSString& strRootDir, const COutputSettings& settings,
             const CRunSettings& runSettings)
{
    CSString strRoot = strRootDir;
    strRoot.Trim();
    CConfigFile configFile(ConfigFilePath(strRoot));
    CLoggerConfig config;
    try {
        if (!configFile.Read()) {
            std::fprintf(stderr, kConfigUnread, configFile.GetPath().GetString());
            return 1;
        }
        config.Load(configFile);
    } catch (const CErrorText& error) {
        std::fprintf(stdout, kConfigRejected, error.Text());
        return 1;
    }

    CQuery query;
    CStatementParser parser(config.GetGatewayNames(), config.GetGatewayCount());
    if (!parser.Parse(strStatement, query))
        return 1;  // the parser has shown its messages; the query releases the filter
    // The binary stream has no layout; a layout option asks for something else.
    const char* pszLayoutOption = LayoutOption(settings.m_eLayout);
    if (query.SelectsBinary() && pszLayoutOption != nullptr) {
        std::fprintf(stderr, kBinaryLayout, pszLayoutOption);
        return 1;
    }
    return ExecuteQuery(config, query, strRoot, settings, runSettings);
}
