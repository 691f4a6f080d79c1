// CFuzzChain: what a query run does with each entry it reads, for the fuzz
// targets that feed it entries: the decoder, filters over many search
// parameters, and the text writer with every column in each layout
// (labelled, delimited by ";" with an end delimiter and by TAB, JSON Lines,
// CSV).
//
// Unlike a query run, every entry is handed to every filter and to every
// writer, whatever the filters answer, so each part sees each input. What
// each writer writes is captured and checked after every entry, so that
// stored text can never add a line, a cell or a field: in the text layouts
// an entry makes at most one line, and a delimited line has as many
// delimiters as the header; in JSON Lines one line that is a valid JSON
// object; in CSV one well-formed record with as many fields as the header.
// A broken rule aborts the process, which the fuzzer reports.
//
// Ownership: the chain owns its record, filters and writers with their
// streams. The entry passed to Process stays the caller's.
#ifndef SARNITH_FUZZ_FUZZ_CHAIN_H
#define SARNITH_FUZZ_FUZZ_CHAIN_H

#include <memory>
#include <vector>

#include "filter/search_node.h"
#include "records/log_record.h"
#include "storage/log_entry.h"

class CFuzzChain {
public:
    // Aborts when a filter does not parse or a stream cannot be made: the
    // target would test less than it claims.
    CFuzzChain();
    ~CFuzzChain();
    CFuzzChain(const CFuzzChain&) = delete;
    CFuzzChain& operator=(const CFuzzChain&) = delete;

    void Process(const CLogEntry& entry, const char* pszGateway);

private:
    class COutput;

    CLogRecord m_record;
    std::vector<std::unique_ptr<CSearchFilter>> m_apFilters;
    std::vector<std::unique_ptr<COutput>> m_apOutputs;
};

#endif
