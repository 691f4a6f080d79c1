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

#include "output/column_list.h"
#include "output/columns.h"
#include "output/ip_format.h"
#include "output/line_renderer.h"
#include "support/dynarray/dynarray.h"

class CJsonRenderer : public CLineRenderer {
public:
    CJsonRenderer(const CColumnList& columns, EIpFormat eIpFormat);

    bool RenderHeader(CLineBuffer& line) override;
    bool RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                     CLineBuffer& line) override;

private:
    // One member of the objects: a column that can have a value, under its key.
    struct CMember {
        const char* m_pszKey;
        const CColumnDef* m_pColumn;
    };

    void AppendTimestamp(const CLogEntry& entry, CLineBuffer& line);
    void AppendMember(const CMember& member, const CColumnInput& input, CLineBuffer& line);
    bool AppendValueObject(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line);
    bool AppendValue(const CColumnValue& value, const CColumnInput& input, CLineBuffer& line);
    bool AppendString(const CColumnValue& value, const CColumnInput& input, CLineBuffer& line);
    static bool AppendUsageList(const CLogRecord& record, CLineBuffer& line);

    CDynArray<CMember> m_aMembers;
    CColumnContext m_context;
    CLineBuffer m_scratch;
};

#endif
