// COutputSettings: the choices that shape what a run writes, gathered from
// the command line and read by the output writers.
//
// One plain value: the command line fills it option by option, the query
// run passes it on unchanged, and a writer keeps its own copy. Each choice
// is a member whose default is what a run without the option writes; a new
// output choice joins them the same way. Nothing in it is owned.
#ifndef SARNITH_OUTPUT_OUTPUT_SETTINGS_H
#define SARNITH_OUTPUT_OUTPUT_SETTINGS_H

#include "output/ip_format.h"

// The layout of text output. The last of --delimiter, --json and --csv on
// the command line chooses it.
enum EOutputLayout {
    LAYOUT_TEXT,  // labelled pairs, or delimited cells when a delimiter is set
    LAYOUT_JSON,  // JSON Lines: one object per entry (--json)
    LAYOUT_CSV,   // CSV with a header line (--csv)
};

struct COutputSettings {
    EOutputLayout m_eLayout = LAYOUT_TEXT;
    // The character between the cells of the text layout (--delimiter); 0
    // selects labelled pairs ("srcip=10.0.0.1 destport=80").
    char m_cDelimiter = '\0';
    // Whether a delimiter ends the header and every line of the text layout
    // (--addenddelimiter), and which; an end delimiter of 0 adds nothing.
    bool m_bAddEndDelimiter = false;
    char m_cEndDelimiter = '\0';
    // How IPv4 addresses are written (--ipformat), in every layout.
    EIpFormat m_eIpFormat = IPFORMAT_STRING;
};

#endif
