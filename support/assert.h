// SARNITH_ASSERT: a check of a programming error that stays on in every build.
//
// A failed check prints the condition's text, file and line on standard error
// and stops the process. No input of the program can make one fail. The
// check keeps nothing and hands nothing out.
#ifndef SARNITH_SUPPORT_ASSERT_H
#define SARNITH_SUPPORT_ASSERT_H

[[noreturn]] void SarnithAssertFailed(const char* pszCondition, const char* pszFile, int nLine);

#define SARNITH_ASSERT(condition)                                                                                      \
    ((condition) ? static_cast<void>(0) : SarnithAssertFailed(#condition, __FILE__, __LINE__))

#endif
