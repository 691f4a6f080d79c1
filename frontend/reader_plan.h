// CReaderPlan: one reader of a query run before it is made: what it reads
// (a gateway's folder under the root directory, or a named file), the time
// range it reads, and the gateway name its entries are written with. The
// query run lists its readers in the order they are created, which decides
// between entries of equal time.
//
// Ownership: the texts and the range belong to the configuration and the
// query, which outlive the run.
#ifndef SARNITH_FRONTEND_READER_PLAN_H
#define SARNITH_FRONTEND_READER_PLAN_H

#include "lql/query.h"

struct CReaderPlan {
    const char* m_pszSource;   // the gateway folder, or the file path of a file source
    bool m_bFile;              // a file source: single-file mode
    const char* m_pszGateway;  // the name written with the entries; "" for a file source
    const CQueryRange* m_pRange;
};

#endif
