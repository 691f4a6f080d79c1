// CRunProblems: what a query run could not read, shown as it happens and
// counted, and the warning that closes a run that had any.
//
// Every message of a log file reader is written to the run's message
// stream at once ("%s\n") and counts as one file that could not be read;
// the run counts the entries whose element list could not be decoded whole.
// A run with any of either ends with one last line, for example
// "Warning: 1 file could not be read and 3 entries could not be decoded",
// and the exit code kExitProblems.
//
// Ownership: the stream stays the caller's and must outlive the object.
#ifndef SARNITH_FRONTEND_RUN_PROBLEMS_H
#define SARNITH_FRONTEND_RUN_PROBLEMS_H

#include <cstdint>
#include <cstdio>
#include <string>

#include "storage/reader_messages.h"

// The exit code of a run that wrote everything it could but met files it
// could not read or entries it could not decode.
constexpr int kExitProblems = 2;

class CRunProblems final : public IReaderMessages {
public:
    explicit CRunProblems(FILE* pMessages) : m_pMessages(pMessages) {}

    void Report(EReaderMessage eMessage, const char* pszText) override;
    void CountUndecodedEntry() { ++m_nUndecodedEntries; }
    void CountUndecodedEntries(uint64_t nEntries) { m_nUndecodedEntries += nEntries; }

    // The closing warning without its line end; empty for a run without problems.
    std::string WarningText() const;

    // Writes the warning line, if any, and returns the run's exit code: 0
    // without problems, kExitProblems with.
    int Conclude() const;

private:
    FILE* m_pMessages;
    uint64_t m_nUnreadFiles = 0;
    uint64_t m_nUndecodedEntries = 0;
};

#endif
