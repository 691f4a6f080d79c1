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
// A writer made with a buffer size gathers its writes in a buffer of its
// own and hands them to the stream when the buffer fills and at Flush: the
// query run writes many small pieces, and one large write to the stream
// costs far less than many small ones. A failed write then shows at the
// write that drains the buffer (or at Flush) rather than at once. Without a
// buffer size every write goes to the stream as it is made.
//
// Ownership: the writer does not own its stream; the caller keeps it open
// while the writer lives. The writer owns its buffer.
#ifndef SARNITH_OUTPUT_BINARY_WRITER_H
#define SARNITH_OUTPUT_BINARY_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "records/log_record.h"
#include "storage/log_entry.h"

class CBinaryWriter {
public:
    // nBufferSize: the bytes gathered before they go to the stream; 0 writes
    // them at once.
    explicit CBinaryWriter(FILE* pStream, size_t nBufferSize = 0);
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
    // An entry in its stream form, as LayOutEntry made it: the entry header
    // is completed with the length of the entry written before it.
    bool WriteLaidOutEntry(const uint8_t* pEntry, size_t nSize);
    // Writes nCount bytes to the stream; true when all were written.
    virtual bool Write(const void* pBytes, size_t nCount);

    // Hands the writer's and the stream's buffered bytes to the system;
    // true when that succeeded and no write failed before.
    bool Flush();
    // The system error of the first failed write or flush; 0 while none failed.
    int GetStreamError() const { return m_nStreamError; }

    // The stream form of an entry, entry header and element list, ready
    // for WriteLaidOutEntry: LaidOutSize(entry) bytes at pTarget. Work a
    // thread may do ahead of the writing one.
    static size_t LaidOutSize(const CLogEntry& entry);
    static void LayOutEntry(const CLogEntry& entry, uint8_t* pTarget);

protected:
    uint16_t m_nPrevLen;  // element list length of the last entry written; 0 before the first
    FILE* m_pStream;

private:
    // Hands the gathered bytes to the stream.
    bool Drain();
    // Room for nCount bytes at the end of the buffer (draining it first when
    // needed), or null when they would not fit or the stream failed.
    uint8_t* BufferRoom(size_t nCount);
    bool WriteToStream(const void* pBytes, size_t nCount);
    void NoteStreamError();

    int m_nStreamError;
    std::vector<uint8_t> m_aBuffer;  // its size is the capacity
    size_t m_nBuffered;
};

#endif
