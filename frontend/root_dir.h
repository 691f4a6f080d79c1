// The default root directory of the log database: reading and storing it in
// the per-user settings store, and the three options that act on it
// (--setrootdir, --userootdir, --getrootdir) with their messages.
//
// The stored value is an absolute path; an empty or missing value means "not
// set". Everything returned is a value owned by the caller.
#ifndef SARNITH_FRONTEND_ROOT_DIR_H
#define SARNITH_FRONTEND_ROOT_DIR_H

#include "support/sstring.h"

// The stored default root directory; empty when none is stored or it cannot
// be read.
CSString ReadRootDir();

// Stores pszDir as the default root directory; true when stored.
bool WriteRootDir(const char* pszDir);

// --setrootdir: stores the absolute form of pszDir and reports it on
// standard error (with a warning when it holds no logger configuration
// file). Returns the exit code: 0 once stored, 1 when the absolute path
// cannot be formed (an empty name, a path of 260 characters or more),
// nothing exists there, or the store cannot be written; nothing is stored
// then.
int SetRootDir(const char* pszDir);

// --userootdir: true when something exists at pszDir; otherwise the message
// is written to standard error.
bool CheckRootDirExists(const char* pszDir);

// --getrootdir: writes the stored directory (without a line end), or "No root
// dir set!", to standard output.
void ShowRootDir();

#endif
