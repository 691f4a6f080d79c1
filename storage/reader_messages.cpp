// The formatting of reader messages.
#include "storage/reader_messages.h"

#include <cstdarg>
#include <cstdio>

void ReportMessage(IReaderMessages& messages, EReaderMessage eMessage, const char* pszFormat, ...)
{
    char szMessage[kMaxReaderMessageLength + 1];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(szMessage, sizeof(szMessage), pszFormat, args);
    va_end(args);
    messages.Report(eMessage, szMessage);
}
