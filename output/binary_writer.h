// CBinaryWriter: the base of the output writers, and the writer of the
// binary output, which copies the selected entries to a stream in the stored
// form of a daily log file (storage/log_file_format.h): a 20-byte stream
// header ("LOG", 0x10, 16 zero bytes), a 16-byte entry header before each
// entry's unchanged element list, and a 16-byte end marker.
//
// The query run calls Begin once, WriteEntry once per selected entry, End
// once, then Flush, and deletes the writer. Operations return whether their
// writes succeeded. After the first failed write the writer stops writing
// (every later operation fails at once) and keeps the error, so the run can
// stop reading once its output is gone (a closed pipe, a full disk).
//
// Ownership: the writer does not own its stream; the caller keeps it open
// while the writer lives. Nothing is buffered by the writer itself.
#ifndef SARNITH_OUTPUT_BINARY_WRITER_H
#define SARNITH_OUTPUT_BINARY_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "records/log_record.h"
#include "storage/log_entry.h"

class CBinaryWriter {
public:
    explicit CBinaryWriter(FILE* pStream);
    CBinaryWriter(const CBinaryWriter&) = delete;
    CBinaryWriter& operator=(const CBinaryWriter&) = delete;

    virtual ~CBinaryWriter();
    // Switches standard output to binary mode and writes the stream header.
    virtual bool Begin();
    // Writes the end marker.
    virtual bool End();
    // Writes the entry header and the element list; record and gateway name
    // are not used.
    virtual bool WriteEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway);
    // Writes nCount bytes to the stream; true when all were written.
    virtual bool Write(const void* pBytes, size_t nCount);

    // Hands the stream's buffered bytes to the system; true when that
    // succeeded and no write failed before.
    bool Flush();
    // The system error of the first failed write or flush; 0 while none failed.
    int GetStreamError() const { return m_nStreamError; }

protected:
    uint16_t m_nPrevLen;  // element list length of the last entry written; 0 before the first
    FILE* m_pStream;

private:
    void NoteStreamError();

    int m_nStreamError;
};

#endif
