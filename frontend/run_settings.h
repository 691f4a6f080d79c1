// CRunSettings: how a query run does its work, beside what it writes
// (output/output_settings.h). The command line fills it, the query run
// passes it on unchanged. A plain value; nothing in it is owned.
#ifndef SARNITH_FRONTEND_RUN_SETTINGS_H
#define SARNITH_FRONTEND_RUN_SETTINGS_H

// The most threads --threads accepts.
constexpr unsigned kMaxThreads = 256;

struct CRunSettings {
    // The threads that read, decode, filter and render the entries
    // (--threads): 1 does everything in the thread that writes; more run
    // that many worker threads beside it. 0 stands for the processors the
    // process may run on.
    unsigned m_nThreads = 0;
    // Follow mode (--follow): after what is there, the entries of the
    // gateways whose range reaches the present as they are written.
    bool m_bFollow = false;
};

#endif
