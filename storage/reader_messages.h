// IReaderMessages: where a log file reader reports what it could not read.
//
// A reader never prints. Each problem it meets becomes one message: the
// finished text (at most 255 characters, no line end) and which message it
// is. Every message stands for one file (or month folder) whose entries
// could not be read, wholly or in part; the reader goes on as its walk
// allows. The receiver decides what to do with it: the query run prints it
// at once and counts it; another receiver may record it in place.
//
// Ownership: the text is valid only during the call; the receiver copies
// what it keeps. The receiver outlives the readers that report to it.
#ifndef SARNITH_STORAGE_READER_MESSAGES_H
#define SARNITH_STORAGE_READER_MESSAGES_H

enum class EReaderMessage {
    kAccessDenied,  // "Access denied to file %s": a file that may not be read, a month folder that may not be searched
    kFailedToOpen,  // "Failed to open %s": exists but cannot be opened (or is no folder, or a broken link)
    kWrongTag,      // "Expected the LOG tag but found %c%c%c"
    kBodyCutShort,  // "There is an error in one of the log files": an entry body ends with the data
    kFailedToRead,  // "Failed to read %s": a read error or damaged compressed data
};

class IReaderMessages {
public:
    virtual void Report(EReaderMessage eMessage, const char* pszText) = 0;

protected:
    ~IReaderMessages() = default;
};

#endif
