// JSON Lines: the object of each entry, its time stamp, gateway and typed
// column values.
#include "output/json_renderer.h"

#include <cstring>

#include "output/json_text.h"
#include "storage/log_entry.h"

namespace {

// Digits of the fraction of a second in the time stamp: microseconds.
constexpr size_t kFractionDigits = 6;
constexpr uint32_t kLogTimeUnitsPerMicrosecond = 10;

constexpr long kSecondsPerHour = 3600;
constexpr long kSecondsPerMinute = 60;

// A string literal without its terminating zero.
template <size_t nSize>
void AppendLiteral(CLineBuffer& line, const char (&szText)[nSize])
{
    line.Append(szText, nSize - 1);
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

// [{"iface":"lan","interval":60,"throughput":206.37},...]; an item without
// an interface name has no "iface".
bool AppendUsageList(const CLogRecord& record, CLineBuffer& line)
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
            AppendLiteral(line, "\"iface\":\"");
            AppendJsonEscaped(line, item.m_pszIface, std::strlen(item.m_pszIface));
            AppendLiteral(line, "\",");
        }
        AppendLiteral(line, "\"interval\":");
        line.AppendUInt(item.m_nInterval);
        AppendLiteral(line, ",\"throughput\":");
        AppendThroughput(line, item);
        line.AppendChar('}');
    }
    line.AppendChar(']');
    return true;
}

bool AppendString(const CColumnValue& value, const CColumnInput& input, CLineBuffer& line, CLineBuffer& scratch)
{
    size_t nMark = line.GetLength();
    line.AppendChar('"');
    size_t nStart = line.GetLength();
    if (!value.m_pfnValue(input, line)) {
        line.Truncate(nMark);
        return false;
    }
    if (!IsPlainValue(value.m_eType))
        EscapeJsonTail(line, nStart, scratch);
    line.AppendChar('"');
    return true;
}

// The value as its JSON type; false (nothing left behind) when it has none.
inline bool AppendValue(const CColumnValue& value, const CColumnInput& input, CLineBuffer& line, CLineBuffer& scratch)
{
    if (value.m_eType == VALUE_USAGE_LIST)
        return AppendUsageList(*input.m_pRecord, line);
    if (value.m_eType == VALUE_TEXT || value.m_eType == VALUE_STAMP ||
        (value.m_eType == VALUE_ADDRESS && input.m_eIpFormat != IPFORMAT_INTEGER))
        return AppendString(value, input, line, scratch);

    size_t nStart = line.GetLength();
    if (!value.m_pfnValue(input, line) || line.GetLength() == nStart) {
        line.Truncate(nStart);
        return false;
    }
    if (value.m_eType == VALUE_FLAG) {
        bool bSet = line.GetData()[nStart] == '1';
        line.Truncate(nStart);
        if (bSet)
            AppendLiteral(line, "true");
        else
            AppendLiteral(line, "false");
    } else if (value.m_eType == VALUE_NAMED_NUMBER) {
        // The digits without the name in parentheses.
        const void* pName = std::memchr(line.GetData() + nStart, '(', line.GetLength() - nStart);
        if (pName != nullptr)
            line.Truncate(static_cast<size_t>(static_cast<const char*>(pName) - line.GetData()));
    }
    return true;
}

bool AppendValueObject(const CColumnDef& column, const CColumnInput& input, CLineBuffer& line, CLineBuffer& scratch)
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
        AppendLiteral(line, "\":");
        if (AppendValue(value, input, line, scratch))
            bAny = true;
        else
            line.Truncate(nMark);
    }
    line.AppendChar('}');
    return bAny;
}

}  // namespace

CJsonRenderer::CJsonRenderer(const CColumnList& columns, EIpFormat eIpFormat) : m_context(eIpFormat)
{
    for (int i = 0; i < columns.GetCount(); ++i) {
        const CColumnDef* pColumn = columns.GetColumn(i);
        if (pColumn == nullptr || CountValues(*pColumn) == 0 || IsSelectedBefore(columns, i))
            continue;
        CMember member{",\"" + std::string(columns.GetHeaderName(i)) + "\":", pColumn, CountValues(*pColumn),
                       EMemberForm::kGeneral, false};
        EValueType eType = pColumn->m_aValues[0].m_eType;
        bool bIntegerAddress = eType == VALUE_ADDRESS && eIpFormat == IPFORMAT_INTEGER;
        if (member.m_nValues == 1 &&
            (eType == VALUE_TEXT || eType == VALUE_STAMP || (eType == VALUE_ADDRESS && !bIntegerAddress))) {
            member.m_eForm = EMemberForm::kString;
            member.m_strKeyText += '"';
            member.m_bEscape = !IsPlainValue(eType);
        } else if (member.m_nValues == 1 && (eType == VALUE_NUMBER || bIntegerAddress)) {
            member.m_eForm = EMemberForm::kNumber;
        }
        m_aMembers.push_back(member);
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
    AppendLiteral(line, "{\"timestamp\":");
    AppendTimestamp(entry, line);
    if (pszGateway != nullptr && pszGateway[0] != '\0')
        AppendGateway(pszGateway, line);
    // A column of one value is that value; a column of several is an object
    // of those that are there, under their labels. Without any value the
    // member is left out.
    for (const CMember& member : m_aMembers) {
        size_t nMark = line.GetLength();
        line.Append(member.m_strKeyText.data(), member.m_strKeyText.size());
        const CColumnDef& column = *member.m_pColumn;
        size_t nStart = line.GetLength();
        bool bAny = false;
        switch (member.m_eForm) {
        case EMemberForm::kString:
            bAny = column.m_aValues[0].m_pfnValue(input, line);
            if (bAny && member.m_bEscape)
                EscapeJsonTail(line, nStart, m_scratch);
            line.AppendChar('"');
            break;
        case EMemberForm::kNumber:
            bAny = column.m_aValues[0].m_pfnValue(input, line) && line.GetLength() > nStart;
            break;
        case EMemberForm::kGeneral:
            bAny = member.m_nValues == 1 ? AppendValue(column.m_aValues[0], input, line, m_scratch)
                                         : AppendValueObject(column, input, line, m_scratch);
            break;
        }
        if (!bAny)
            line.Truncate(nMark);
    }
    line.Append("}\n", 2);
    return true;
}

// "2006-06-20T06:55:02.000000+02:00", or null when the time cannot be shown.
void CJsonRenderer::AppendTimestamp(const CLogEntry& entry, CLineBuffer& line)
{
    CLocalTimeText& entryTime = m_context.GetEntryTime();
    uint32_t nSeconds = 0;
    if (!EntryTimeToSeconds(entry, nSeconds) || !entryTime.Convert(nSeconds)) {
        AppendLiteral(line, "null");
        return;
    }
    line.AppendChar('"');
    line.Append(entryTime.GetDate(), CLocalTimeText::kDateLength);
    line.AppendChar('T');
    line.Append(entryTime.GetTime(), CLocalTimeText::kTimeLength);
    line.AppendChar('.');
    uint32_t nFraction = static_cast<uint32_t>(entry.GetTime() % kLogTimeUnitsPerSecond);
    line.AppendUIntPadded(nFraction / kLogTimeUnitsPerMicrosecond, kFractionDigits);
    if (m_utcOffsetText.GetLength() == 0 || entryTime.GetUtcOffset() != m_nUtcOffset) {
        m_nUtcOffset = entryTime.GetUtcOffset();
        m_utcOffsetText.Clear();
        AppendUtcOffset(m_utcOffsetText, m_nUtcOffset);
        m_utcOffsetText.AppendChar('"');
    }
    line.Append(m_utcOffsetText.GetData(), m_utcOffsetText.GetLength());
}

// ,"gateway":"gw1" (escaped)
void CJsonRenderer::AppendGateway(const char* pszGateway, CLineBuffer& line)
{
    if (m_gatewayText.GetLength() == 0 || m_strGateway != pszGateway) {
        m_strGateway = pszGateway;
        m_gatewayText.Clear();
        AppendLiteral(m_gatewayText, ",\"gateway\":\"");
        AppendJsonEscaped(m_gatewayText, pszGateway, m_strGateway.size());
        m_gatewayText.AppendChar('"');
    }
    line.Append(m_gatewayText.GetData(), m_gatewayText.GetLength());
}
