// EIpFormat: how IPv4 addresses are written in text output (--ipformat).
//
// One of the output settings (output/output_settings.h); the column values
// read it for every address they write. There is nothing to own.
#ifndef SARNITH_OUTPUT_IP_FORMAT_H
#define SARNITH_OUTPUT_IP_FORMAT_H

enum EIpFormat {
    IPFORMAT_STRING = 0,   // plain dotted text: 10.0.0.1
    IPFORMAT_FIXED = 1,    // dotted text, three digits per byte: 010.000.000.001
    IPFORMAT_INTEGER = 2,  // one unsigned number, the address read big-endian: 167772161
};

#endif
