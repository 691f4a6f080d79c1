// The command line of sarnith: options read strictly left to right, the
// informational options (help, version, listings, root directory display)
// answered at once, the output settings gathered, the statement taken from
// the command line or a statement file, the root directory settled, and the
// query run started. RunCommandLine decides the process exit code.
//
// Helpers used by the options are exposed for their own tests. Nothing here
// hands out memory the caller must free; texts come back as CSString values.
#ifndef SARNITH_FRONTEND_COMMAND_LINE_H
#define SARNITH_FRONTEND_COMMAND_LINE_H

#include <cstddef>
#include <cstdint>

#include "support/sstring.h"

// Processes the whole command line and returns the exit code (0 or 1).
// Failures escaping the run are reported as an unknown error (exit code 1).
int RunCommandLine(int argc, const char* const* argv);

// The usage text, to standard output or standard error; returns the exit
// code that goes with it (1).
int PrintUsage(bool bToStdout);

// The character a C escape sequence stands for ("\t", "\x3b", "\073", ...);
// 0 when the text is no escape sequence or its number exceeds 255. Text
// after the sequence is ignored.
char ParseEscapeChar(const char* pszText);

// Writes the names of the keyword table that carry a kind of nKindMask
// (aliases excluded), three to a line in 20-character fields, and one more
// line end after the last.
void ListKeywords(uint32_t nKindMask);

// The statement held in the text of a statement file: lines joined with
// blanks, "#" comments dropped (a line whose "#" is its first or second
// character contributes nothing), trimmed, tabs and line ends made blanks.
// The text ends at nLength or at a zero byte.
CSString JoinStatementText(const char* pText, size_t nLength);

// Reads the statement file pszFileName (less than 65535 bytes) into
// strStatement; false after writing the reason to standard error.
bool ReadStatementFile(const char* pszFileName, CSString& strStatement);

#endif
