// Building a CErrorText from a printf-style format, cut to the given limit.
#include "support/error_text.h"

#include <cstdio>

CErrorText::CErrorText(const char* pszText) : m_szText{}
{
    std::snprintf(m_szText, sizeof(m_szText), "%s", pszText == nullptr ? "" : pszText);
}

CErrorText CErrorText::Format(size_t nLimit, const char* pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    CErrorText error = FormatV(nLimit, pszFormat, args);
    va_end(args);
    return error;
}

CErrorText CErrorText::FormatV(size_t nLimit, const char* pszFormat, va_list args)
{
    CErrorText error;
    if (nLimit > sizeof(error.m_szText))
        nLimit = sizeof(error.m_szText);
    std::vsnprintf(error.m_szText, nLimit, pszFormat, args);
    return error;
}
