// CJsonRenderer: JSON Lines, one object per entry on a line of its own, for
// programs that read query results (jq, log shippers, databases).
//
// Every object begins with "timestamp", the entry time in RFC 3339 with
// microseconds and the local offset from UTC
// ("2006-06-20T06:55:02.000000+02:00"; null for a time before 1970 or after
// 2106), then "gateway" for an entry that came from a gateway (not for one
// read from a file). The selected columns follow in statement order, each
// under its header name ("recvif" for "recviface"); a column selected twice
// appears once, at its first place, and a column without a value for the
// entry is left out. An entry without any selected value still writes its
// object.
//
// Values are typed: numbers (ports, lengths, counters, ids, severity, ttl,
// the protocol numbers without their names), true or false for the TCP flag
// columns, strings for texts, names, dates, times and MAC addresses. IPv4
// addresses are strings in the plain and fixed formats and numbers in the
// integer format. Texts are the stored values, unchanged but escaped (see
// output/json_text.h). connusage is an object {"maxconns":..,"curconns":..,
// "minconns":..}; usage an array of {"iface":..,"interval":..,"throughput":..}
// with the interval in seconds and the throughput in kbit/s to two decimals.
//
// There is no header line. Ownership: the renderer owns its member list,
// scratch buffer and time-text caches; the line belongs to the caller.
#ifndef SARNITH_OUTPUT_JSON_RENDERER_H
#define SARNITH_OUTPUT_JSON_RENDERER_H

#include <string>
#include <vector>

#include "output/column_list.h"
#include "output/columns.h"
#include "output/ip_format.h"
#include "output/line_renderer.h"

class CJsonRenderer : public CLineRenderer {
public:
    CJsonRenderer(const CColumnList& columns, EIpFormat eIpFormat);

    bool RenderHeader(CLineBuffer& line) override;
    bool RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                     CLineBuffer& line) override;

private:
    // How a member's value is written: most columns have one value, a
    // string or a number, which the entry loop writes itself.
    enum class EMemberForm {
        kString,   // one value in quotes, escaped unless plain; the key text ends in the opening quote
        kNumber,   // one value as it is
        kGeneral,  // by AppendValue or AppendValueObject
    };

    // One member of the objects: a column that can have a value, under its
    // key, written as ,"key": before its value.
    struct CMember {
        std::string m_strKeyText;
        const CColumnDef* m_pColumn;
        int m_nValues;
        EMemberForm m_eForm;
        bool m_bEscape;  // kString: the value may need escapes
    };

    void AppendTimestamp(const CLogEntry& entry, CLineBuffer& line);
    void AppendGateway(const char* pszGateway, CLineBuffer& line);

    std::vector<CMember> m_aMembers;
    CColumnContext m_context;
    CLineBuffer m_scratch;
    // The texts made last of a gateway member and of an offset from UTC,
    // for the entries that follow with the same.
    std::string m_strGateway;
    CLineBuffer m_gatewayText;
    long m_nUtcOffset = 0;
    CLineBuffer m_utcOffsetText;
};

#endif
