// COpenedDailyFile: one daily file as the walk hands it to the scan: its
// open stream, the path it was opened by, whether the walk found it under a
// plain name, and what the file system told about it when it was opened.
//
// Ownership: the object owns the stream and with it the open descriptor;
// whoever holds the object (the walk's caller, then the scan) closes the
// file by destroying it.
#ifndef SARNITH_STORAGE_OPENED_DAILY_FILE_H
#define SARNITH_STORAGE_OPENED_DAILY_FILE_H

#include "storage/daily_file_stream.h"
#include "support/platform.h"
#include "support/sstring.h"

struct COpenedDailyFile {
    CDailyFileStream m_stream;
    CSString m_strPath;
    bool m_bPlainName = true;  // named D-N.osl, or given by name; false for D-N.gz
    platform::CFileFacts m_facts = {};
};

#endif
