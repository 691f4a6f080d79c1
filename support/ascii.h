// ASCII character classes and the case-insensitive comparisons of the
// program: keywords, option names, gateway names, configuration keys,
// name-table lookups and filter texts compare without regard to the case of
// the letters A to Z. Only those letters fold; every other byte stays as it
// is, whatever the locale.
//
// Pure functions over the caller's texts: nothing is kept, allocated or
// owned; a returned pointer points into the text that was passed in.
#ifndef SARNITH_SUPPORT_ASCII_H
#define SARNITH_SUPPORT_ASCII_H

#include <cstddef>

// True for the characters that trimming removes: codes 1 to 32.
inline bool IsTrimChar(char ch)
{
    unsigned char c = static_cast<unsigned char>(ch);
    return c >= 1 && c <= 32;
}

inline bool IsBlankOrTab(char ch)
{
    return ch == ' ' || ch == '\t';
}

// Blank, tab, line feed, vertical tab, form feed or carriage return.
inline bool IsWhiteSpace(char ch)
{
    return ch == ' ' || (ch >= '\t' && ch <= '\r');
}

inline bool IsDecimalDigit(char ch)
{
    return ch >= '0' && ch <= '9';
}

inline char ToLowerAscii(char ch)
{
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

inline char ToUpperAscii(char ch)
{
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
}

// The first character of the text that is neither a blank nor a tab.
inline const char* SkipBlanksAndTabs(const char* p)
{
    while (IsBlankOrTab(*p))
        ++p;
    return p;
}

// True when the two whole texts are equal, ignoring case.
bool EqualNoCase(const char* pszA, const char* pszB);

// True when the text of at most nMax bytes, ending early at a zero byte,
// equals the whole of pszValue, ignoring case.
bool EqualNoCaseBounded(const char* pText, size_t nMax, const char* pszValue);

// Negative, zero or positive as pszA orders before, with or after pszB when
// both are folded to lower case and compared as unsigned bytes.
int CompareNoCase(const char* pszA, const char* pszB);

// True when psz begins with the whole of pszPrefix, ignoring case.
bool StartsWithNoCase(const char* psz, const char* pszPrefix);

#endif
