// Plain text turned into roff for the manual pages: the characters roff
// reads as its own (backslash, hyphen, quotes, circumflex, tilde) escaped so
// that they print, and are copied, as typed; a line that would start with a
// control character protected. Results are values owned by the caller.
#ifndef SARNITH_DOC_ROFF_TEXT_H
#define SARNITH_DOC_ROFF_TEXT_H

#include <string>

namespace manual {

// Text as it is, every character printing as itself (for examples).
std::string RoffLiteral(const std::string& strText);

// Text in which a stretch between backquotes is set in bold.
std::string RoffMarked(const std::string& strText);

// A text line for the page: a line that starts with "." or "'" would be a
// request, so it is led by a zero-width character.
std::string RoffLine(const std::string& strLine);

}  // namespace manual

#endif
