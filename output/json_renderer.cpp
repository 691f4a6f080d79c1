// JSON Lines: the object of each entry, its time stamp, gateway and typed
// column values.
#include "output/json_renderer.h"

#include <cstring>

#include "output/json_text.h"
#include "storage/log_entry.h"

namespace {

constexpr int kInitialMembers = 8;

// Digits of the fraction of a second in the time stamp: microseconds.
constexpr size_t kFractionDigits = 6;
constexpr uint32_t kLogTimeUnitsPerMicrosecond = 10;

constexpr long kSecondsPerHour = 3600;
constexpr long kSecondsPerMinute = 60;

// ,"key":
void AppendKey(CLineBuffer& line, const char* pszKey)
{
    line.Append(",\"", 2);
    line.Append(pszKey);
    line.Append("\":", 2);
}

// "+02:00": the offset from UTC in hours and minutes.
void AppendUtcOffset(CLineBuffer& line, long nOffset)
{
    line.AppendChar(nOffset < 0 ? '-' : '+');
    long nMagnitude = nOffset < 0 ? -nOffset : nOffset;
    line.AppendUIntPadded(static_cast<uint32_t>(nMagnitude / kSecondsPerHour), 2);
    line.AppendChar(':');
    line.AppendUIntPadded(static_cast<uint32_t>(nMagnitude % kSecondsPerHour / kSecondsPerMinute), 2);
}

// Whether the column has the member of one of an earlier index.
bool IsSelectedBefore(const CColumnList& columns, int nIndex)
{
    for (int i = 0; i < nIndex; ++i)
        if (columns.GetId(i) == columns.GetId(nIndex))
            return true;
    return false;
}

}  // namespace

CJsonRenderer::CJsonRenderer(const CColumnList& columns, EIpFormat eIpFormat) : m_context(eIpFormat)
{
    m_aMembers.Reserve(kInitialMembers);
    for (int i = 0; i < columns.GetCount(); ++i) {
        const CColumnDef* pColumn = columns.GetColumn(i);
        if (pColumn != nullptr && CountValues(*pColumn) > 0 && !IsSelectedBefore(columns, i))
            m_aMembers.Add(CMember{columns.GetHeaderName(i), pColumn});
    }
}

bool CJsonRenderer::RenderHeader(CLineBuffer&)
{
    return false;
}

bool CJsonRenderer::RenderEntry(const CLogEntry& entry, const CLogRecord& record, const char* pszGateway,
                                CLineBuffer& line)
{
    CColumnInput input = m_context.Input(entry, record, pszGateway);
    line.Append("{\"timestamp\":");
    AppendTimestamp(entry, line);
    if (pszGateway != nullptr && pszGateway[0] != '\0') {
        line.Append(",\"gateway\":\"");
        AppendJsonEscaped(line, pszGateway, std::strlen(pszGateway));
        line.AppendChar('"');
    }
    for (int i = 0; i < m_aMembers.GetSize(); ++i)
        AppendMember(m_aMembers[i], input, line);
    line.Append("}\n", 2);
    return true;
}

// "2006-06-20T06:55:02.000000+02:00", or null when the time cannot be shown.
void CJsonRenderer::AppendTimestamp(const CLogEntry& entry, CLineBuffer& line)
{
    CLocalTimeText& entryTime = m_context.GetEntryTime();
    uint32_t nSeconds = 0;
    if (!EntryTimeToSeconds(entry, nSeconds) || !entryTime.Convert(nSeconds)) {
        line.Append("null", 4);
        return;
    }
    line.AppendChar('"');
    line.Append(entryTime.GetDate());
    line.AppendChar('T');
    line.Append(entryTime.GetTime());
    line.AppendChar('.');
    uint32_t nFraction = static_cast<uint32_t>(entry.GetTime() % kLogTimeUnitsPerSecond);
    line.AppendUIntPadded(nFraction / kLogTimeUnitsPerMicrosecond, kFractionDigits);
    AppendUtcOffset(line, entryTime.GetUtcOffset());
    line.AppendChar('"');
}

// A column of one value is that value; a column of several is an object of
// those that are there, under their labels. Without any value the member is
// left out.
void CJsonRenderer::AppendMember(const CMember& member, const CColumnInput& input, CLineBuffer& line)
{
    size_t nMark = line.GetLength();
    AppendKey(line, member.m_pszKey);
    const CColumnDef& column = *member.m_pColumn;
    bool bAny = CountValues(column) == 1 ? AppendValue(column.m_aValues[0], input, line)
                                         : AppendValueObject(column, input, line);
    if (!bAny)
        line.Truncate(nMark);
}

bool CJsonRenderer::AppendValueObject(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line)
{
    bool bAny = false;
    line.AppendChar('{');
    for (int nValue = 0; nValue < CColumnDef::kMaxValues && column.m_aValues[nValue].m_pfnValue != nullptr; ++nValue) {
        const CColumnValue& value = column.m_aValues[nValue];
        size_t nMark = line.GetLength();
        if (bAny)
            line.AppendChar(',');
        line.AppendChar('"');
        line.Append(value.m_pszLabel);
        line.Append("\":", 2);
        if (AppendValue(value, input, line))
            bAny = true;
        else
            line.Truncate(nMark);
    }
    line.AppendChar('}');
    return bAny;
}

// The value as its JSON type; false (nothing left behind) when it has none.
bool CJsonRenderer::AppendValue(const CColumnValue& value, const CColumnInput& input, CLineBuffer& line)
{
    if (value.m_eType == VALUE_USAGE_LIST)
        return AppendUsageList(*input.m_pRecord, line);
    if (value.m_eType == VALUE_TEXT || (value.m_eType == VALUE_ADDRESS && m_context.GetIpFormat() != IPFORMAT_INTEGER))
        return AppendString(value, input, line);

    size_t nStart = line.GetLength();
    if (!value.m_pfnValue(input, line) || line.GetLength() == nStart) {
        line.Truncate(nStart);
        return false;
    }
    if (value.m_eType == VALUE_FLAG) {
        bool bSet = line.GetData()[nStart] == '1';
        line.Truncate(nStart);
        line.Append(bSet ? "true" : "false");
    } else if (value.m_eType == VALUE_NAMED_NUMBER) {
        // The digits without the name in parentheses.
        const void* pName = std::memchr(line.GetData() + nStart, '(', line.GetLength() - nStart);
        if (pName != nullptr)
            line.Truncate(static_cast<size_t>(static_cast<const char*>(pName) - line.GetData()));
    }
    return true;
}

bool CJsonRenderer::AppendString(const CColumnValue& value, const CColumnInput& input, CLineBuffer& line)
{
    size_t nMark = line.GetLength();
    line.AppendChar('"');
    size_t nStart = line.GetLength();
    if (!value.m_pfnValue(input, line)) {
        line.Truncate(nMark);
        return false;
    }
    EscapeJsonTail(line, nStart, m_scratch);
    line.AppendChar('"');
    return true;
}

// [{"iface":"lan","interval":60,"throughput":206.37},...]; an item without
// an interface name has no "iface".
bool CJsonRenderer::AppendUsageList(const CLogRecord& record, CLineBuffer& line)
{
    if (record.m_nUsageCount == 0)
        return false;
    line.AppendChar('[');
    for (int i = 0; i < record.m_nUsageCount; ++i) {
        const CUsageItem& item = record.m_usage[i];
        if (i > 0)
            line.AppendChar(',');
        line.AppendChar('{');
        if (item.m_pszIface != nullptr) {
            line.Append("\"iface\":\"");
            AppendJsonEscaped(line, item.m_pszIface, std::strlen(item.m_pszIface));
            line.Append("\",");
        }
        line.Append("\"interval\":");
        line.AppendUInt(item.m_nInterval);
        line.Append(",\"throughput\":");
        AppendThroughput(line, item);
        line.AppendChar('}');
    }
    line.AppendChar(']');
    return true;
}
