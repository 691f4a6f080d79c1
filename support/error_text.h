// CErrorText: an error raised as a plain message text.
//
// The configuration loader and the filter's parser and value checks raise
// their messages as a CErrorText thrown by value; the layer above catches it
// and prints Text(). Evaluating a filter, decoding an entry and writing the
// output raise none. The text is held in
// the object itself (at most 511 characters), so nothing is owned elsewhere.
#ifndef SARNITH_SUPPORT_ERROR_TEXT_H
#define SARNITH_SUPPORT_ERROR_TEXT_H

#include <cstdarg>
#include <cstddef>

class CErrorText {
public:
    enum { kMaxText = 511 };

    explicit CErrorText(const char* pszText);

    // Formats the message; the result is cut to nLimit - 1 characters
    // (nLimit at most kMaxText + 1): 256 for configuration errors, 512 for
    // filter values.
    static CErrorText Format(size_t nLimit, const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
    static CErrorText FormatV(size_t nLimit, const char* pszFormat, va_list args) __attribute__((format(printf, 2, 0)));

    const char* Text() const { return m_szText; }

private:
    CErrorText() : m_szText{} {}
    char m_szText[kMaxText + 1];
};

#endif
