// mkmanual: makes a manual page from its template at build time, so that the
// page's lists and examples cannot drift from the program.
//
// The template is roff. Lines of the form .\" @directive are replaced:
//   @parameters @fields @types @names @reserved
//       the sections made from the program's own tables (manual_sections.h);
//   @example <exit code> <command>
//       the command as typed and its output, standard output and standard
//       error together: the command is run by /bin/sh in the examples folder,
//       with the program folder first on PATH; another exit code stops the
//       page.
// "@VERSION@" anywhere becomes the version. Any disagreement between the
// rows of the page and the program stops the page with a message, and no
// page is written.
//
// usage: mkmanual <template> <page> <version> [<program folder> <examples folder>]
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "doc/manual_sections.h"
#include "doc/roff_text.h"

namespace {

const char* const kDirectiveLead = ".\\\" @";
const char* const kVersionMark = "@VERSION@";

// Commands of examples are shown in lines of at most this many characters.
constexpr size_t kCommandWidth = 72;

// A text in single quotes for /bin/sh.
std::string ShellQuoted(const std::string& strText)
{
    std::string strQuoted = "'";
    for (char ch : strText)
        strQuoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    return strQuoted + "'";
}

// The command as shown: lines of at most kCommandWidth characters where it
// can be broken, at blanks outside single quotes, each but the last ending in
// a backslash that continues it, as a shell reads it.
std::vector<std::string> CommandLines(const std::string& strCommand)
{
    std::vector<std::string> aLines;
    std::string strLine = "$";
    std::string strWord;
    char chQuote = 0;
    for (size_t i = 0; i <= strCommand.size(); ++i) {
        char ch = i < strCommand.size() ? strCommand[i] : ' ';
        if (ch != ' ' || chQuote == '\'') {
            if ((ch == '\'' || ch == '"') && (chQuote == 0 || chQuote == ch))
                chQuote = chQuote == 0 ? ch : '\0';
            strWord += ch;
            continue;
        }
        if (strLine.size() + 1 + strWord.size() > kCommandWidth && strLine.size() > 4) {
            aLines.push_back(strLine + " \\");
            strLine = "   ";
        }
        strLine += " " + strWord;
        strWord.clear();
    }
    aLines.push_back(strLine);
    return aLines;
}

// Runs an example and writes it with its output; raises when it ends with
// another exit code than expected.
void WriteExample(std::ostream& out, const std::string& strArguments, const std::string& strExamplesFolder)
{
    std::istringstream arguments(strArguments);
    int nExpectedExit = -1;
    std::string strCommand;
    arguments >> nExpectedExit >> std::ws;
    std::getline(arguments, strCommand);
    if (nExpectedExit < 0 || strCommand.empty() || strExamplesFolder.empty())
        throw manual::CManualError("an example needs an exit code, a command and the examples folder");

    std::string strShell = "cd " + ShellQuoted(strExamplesFolder) + " && exec 2>&1 && " + strCommand;
    FILE* pOutput = popen(strShell.c_str(), "r");
    if (pOutput == nullptr)
        throw manual::CManualError("cannot run the example: " + strCommand);
    out << ".PP\n.EX\n";
    for (const std::string& strShown : CommandLines(strCommand))
        out << manual::RoffLine(manual::RoffLiteral(strShown)) << "\n";
    std::string strLine;
    for (int ch = std::fgetc(pOutput); ch != EOF; ch = std::fgetc(pOutput)) {
        if (ch != '\n') {
            strLine += static_cast<char>(ch);
            continue;
        }
        out << (strLine.empty() ? "\\&" : manual::RoffLine(manual::RoffLiteral(strLine))) << "\n";
        strLine.clear();
    }
    if (!strLine.empty())
        out << manual::RoffLine(manual::RoffLiteral(strLine)) << "\n";
    out << ".EE\n";
    int nStatus = pclose(pOutput);
    if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != nExpectedExit)
        throw manual::CManualError("the example ended with another exit code than " + std::to_string(nExpectedExit) +
                                   ": " + strCommand);
}

// Writes what a directive line stands for.
void WriteDirective(std::ostream& out, const std::string& strDirective, const std::string& strExamplesFolder)
{
    static const std::map<std::string, void (*)(std::ostream&)> s_tableDirectives = {
        {"parameters", &manual::WriteParameters},
        {"fields", &manual::WriteFields},
        {"types", &manual::WriteTypes},
        {"names", &manual::WriteNameTables},
        {"reserved", &manual::WriteReservedWords},
    };
    std::string strName = strDirective.substr(0, strDirective.find(' '));
    auto it = s_tableDirectives.find(strName);
    if (it != s_tableDirectives.end())
        it->second(out);
    else if (strName == "example")
        WriteExample(out, strDirective.substr(strName.size()), strExamplesFolder);
    else
        throw manual::CManualError("unknown directive @" + strName);
}

std::string WithVersion(std::string strLine, const std::string& strVersion)
{
    for (size_t nAt = strLine.find(kVersionMark); nAt != std::string::npos; nAt = strLine.find(kVersionMark, nAt))
        strLine.replace(nAt, std::string(kVersionMark).size(), strVersion);
    return strLine;
}

}  // namespace

int main(int nArgs, char** aArgs)
{
    if (nArgs != 4 && nArgs != 6) {
        std::fputs("usage: mkmanual <template> <page> <version> [<program folder> <examples folder>]\n", stderr);
        return 2;
    }
    std::string strExamplesFolder;
    if (nArgs == 6) {
        strExamplesFolder = aArgs[5];
        const char* pszPath = std::getenv("PATH");
        std::string strPath = std::string(aArgs[4]) + ":" + (pszPath != nullptr ? pszPath : "/usr/bin:/bin");
        setenv("PATH", strPath.c_str(), 1);
    }

    std::ifstream input(aArgs[1]);
    if (!input) {
        std::fprintf(stderr, "mkmanual: cannot read %s\n", aArgs[1]);
        return 1;
    }
    std::ostringstream page;
    std::string strLine;
    int nLine = 0;
    try {
        while (std::getline(input, strLine)) {
            ++nLine;
            if (strLine.compare(0, std::string(kDirectiveLead).size(), kDirectiveLead) == 0)
                WriteDirective(page, strLine.substr(std::string(kDirectiveLead).size()), strExamplesFolder);
            else
                page << WithVersion(strLine, aArgs[3]) << "\n";
        }
    } catch (const manual::CManualError& error) {
        std::fprintf(stderr, "mkmanual: %s:%d: %s\n", aArgs[1], nLine, error.what());
        return 1;
    }

    std::ofstream output(aArgs[2], std::ios::binary | std::ios::trunc);
    output << page.str();
    output.close();
    if (!output) {
        std::fprintf(stderr, "mkmanual: cannot write %s\n", aArgs[2]);
        std::remove(aArgs[2]);
        return 1;
    }
    return 0;
}
