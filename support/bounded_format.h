// The bounded formatter: printf-style formatting into a caller's buffer that
// never writes past it.
//
// At most nSize - 1 characters are stored and the buffer is always
// zero-terminated (unless nSize is below 1, when nothing is written). The
// result is the length the complete text would have, not the number of
// characters stored. Integer arguments are 32 bits ("h" and "l" are accepted
// and change nothing); "%s" prints "(null)" for a pointer that cannot point
// at a text (null, the lowest or highest 64 KiB, a debug fill pattern).
// The buffer stays the caller's; nothing is allocated or kept.
#ifndef SARNITH_SUPPORT_BOUNDED_FORMAT_H
#define SARNITH_SUPPORT_BOUNDED_FORMAT_H

#include <cstdarg>

int BoundedFormat(char* pszBuffer, int nSize, const char* pszFormat, ...);
int BoundedFormatV(char* pszBuffer, int nSize, const char* pszFormat, va_list args);

#endif
