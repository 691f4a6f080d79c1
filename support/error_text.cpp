#include "support/error_text.h"

#include <cstdarg>
#include <cstdio>

CErrorText::CErrorText(const char* pszText) : m_szText{}
{
    std::snprintf(m_szText, sizeof(m_szText), "%s", pszText == nullptr ? "" : pszText);
}

CErrorText CErrorText::Format(size_t nLimit, const char* pszFormat, ...)
{
    CErrorText error;
    if (nLimit > sizeof(error.m_szText))
        nLimit = sizeof(error.m_szText);
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(error.m_szText, nLimit, pszFormat, args);
    va_end(args);
    return error;
}
