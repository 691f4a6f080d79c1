// Looks up the values the filter's conditions and IN lists share in the
// headers an ICMP error quotes and in the last connection block.
#include "filter/record_values.h"

#include "records/element_format.h"
#include "records/packet_decoder.h"
#include "records/packet_format.h"

const uint8_t* FindQuotedValue(const CLogRecord& record, ERecordValue eValue)
{
    const uint8_t* pQuotedIp = record.m_pIcmpIpHdr;
    if (record.m_pIcmpHdr == nullptr || pQuotedIp == nullptr)
        return nullptr;
    switch (eValue) {
    // clang-format off
    case RECORD_VALUE_SRC_ADDR:  return pQuotedIp + kIpSrcAddrOffset;
    case RECORD_VALUE_DEST_ADDR: return pQuotedIp + kIpDestAddrOffset;
    case RECORD_VALUE_PROTOCOL:  return pQuotedIp + kIpProtocolOffset;
    case RECORD_VALUE_SRC_PORT:  return QuotedPort(record, false);
    case RECORD_VALUE_DEST_PORT: return QuotedPort(record, true);
    case RECORD_VALUE_NONE:      break;
        // clang-format on
    }
    return nullptr;
}

const uint8_t* FindConnBlockValue(const CLogRecord& record, ERecordValue eValue)
{
    const uint8_t* pBlock = record.GetLastConnBlock();
    if (pBlock == nullptr)
        return nullptr;
    switch (eValue) {
    // clang-format off
    case RECORD_VALUE_SRC_ADDR:  return pBlock + CONN_BLOCK_SRC_ADDR;
    case RECORD_VALUE_DEST_ADDR: return pBlock + CONN_BLOCK_DEST_ADDR;
    case RECORD_VALUE_PROTOCOL:  return pBlock + CONN_BLOCK_PROTOCOL;
    case RECORD_VALUE_SRC_PORT:  return pBlock + CONN_BLOCK_SRC_PORT;
    case RECORD_VALUE_DEST_PORT: return pBlock + CONN_BLOCK_DEST_PORT;
    case RECORD_VALUE_NONE:      break;
        // clang-format on
    }
    return nullptr;
}
