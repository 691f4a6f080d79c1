// CFuzzChain: what a query run does with each entry it reads, for the fuzz
// targets that feed it entries: the decoder, filters over many search
// parameters, and the text writer with every column in the labelled layout
// and in two delimited layouts.
//
// Unlike a query run, every entry is handed to every filter and to every
// writer, whatever the filters answer, so each part sees each input. The
// writers write to the null device.
//
// Ownership: the chain owns its record, filters, writers and their stream.
// The entry passed to Process stays the caller's.
#ifndef SARNITH_FUZZ_FUZZ_CHAIN_H
#define SARNITH_FUZZ_FUZZ_CHAIN_H

#include <cstdio>
#include <memory>
#include <vector>

#include "filter/search_node.h"
#include "output/text_writer.h"
#include "records/log_record.h"
#include "storage/log_entry.h"

class CFuzzChain {
public:
    // Aborts when a filter does not parse or the null device cannot be
    // opened: the target would test less than it claims.
    CFuzzChain();
    ~CFuzzChain();
    CFuzzChain(const CFuzzChain&) = delete;
    CFuzzChain& operator=(const CFuzzChain&) = delete;

    void Process(const CLogEntry& entry, const char* pszGateway);

private:
    FILE* m_pNullStream;
    CLogRecord m_record;
    std::vector<std::unique_ptr<CSearchFilter>> m_apFilters;
    std::vector<std::unique_ptr<CTextWriter>> m_apWriters;
};

#endif
