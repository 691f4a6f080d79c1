// IReaderMessages: where a log file reader reports what it could not read.
//
// A reader never prints. Each problem it meets becomes one message: the
// finished text (at most 255 characters, no line end) and which message it
// is. Every message stands for one file (or month folder) whose entries
// could not be read, wholly or in part; the reader goes on as its walk
// allows. The receiver decides what to do with it: the query run prints it
// at once and counts it; another receiver may record it in place.
//
// ReportMessage formats a message's text (cut to 255 characters) and hands
// it to a receiver; the walk and the scan of a reader report through it.
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
    kTruncated,     // "File %s was truncated: ...": a followed file shrank below what was read
    kReplaced,      // "File %s was replaced: ...": another file took a followed file's name
};

class IReaderMessages {
public:
    virtual void Report(EReaderMessage eMessage, const char* pszText) = 0;

protected:
    ~IReaderMessages() = default;
};

// The longest text of a message, in characters.
constexpr int kMaxReaderMessageLength = 255;

// The formats of the messages, with the file or folder path or the three tag bytes.
constexpr const char* kMsgAccessDenied = "Access denied to file %s";
constexpr const char* kMsgFailedToOpen = "Failed to open %s";
constexpr const char* kMsgFailedToRead = "Failed to read %s";
constexpr const char* kMsgWrongTag = "Expected the LOG tag but found %c%c%c";
constexpr const char* kMsgBodyCutShort = "There is an error in one of the log files";
constexpr const char* kMsgTruncated = "File %s was truncated: reading it again from its start";
constexpr const char* kMsgReplaced = "File %s was replaced: reading it again from its start";

void ReportMessage(IReaderMessages& messages, EReaderMessage eMessage, const char* pszFormat, ...)
    __attribute__((format(printf, 3, 4)));

#endif
