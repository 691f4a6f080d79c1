// CSearchParam: the leaf of the filter tree for one condition
// ("srcip = 10.0.0.1", "rule = 'Drop'", "syn = 1").
//
// SetValue checks the value text against the syntax of the parameter,
// converts it once into the form matching compares against, and raises a
// CErrorText with the message when the text is not acceptable
// (search_param.cpp). Evaluate then walks the decoded record in a fixed order
// of sections and yields non-zero at the first comparison that holds
// (search_param_match.cpp). The node owns its converted value (and, for the
// description search, its text pattern).
#ifndef SARNITH_FILTER_SEARCH_PARAM_H
#define SARNITH_FILTER_SEARCH_PARAM_H

#include <cstdint>
#include <memory>

#include "filter/record_values.h"
#include "filter/search_node.h"
#include "records/packet_format.h"

class CTextPattern;

// Which record field a condition tests and how; one code per parameter.
enum ESearchField : uint32_t {
    FIELD_SRCIP = 0,
    FIELD_DESTIP = 1,
    FIELD_SRCPORT = 2,
    FIELD_DESTPORT = 3,
    FIELD_SRCENET = 4,
    FIELD_DESTENET = 5,
    FIELD_CATEGORY = 6,
    FIELD_EVENT = 7,
    FIELD_ACTION = 8,
    FIELD_ID = 9,
    FIELD_IPPROTO = 10,
    FIELD_RECVIF = 11,
    FIELD_DESTIFACE = 12,
    FIELD_RULE = 13,
    FIELD_SATSRCRULE = 14,
    FIELD_SATDESTRULE = 15,
    FIELD_ICMPTYPE = 16,
    FIELD_ICMPSRCIP = 17,
    FIELD_ICMPDESTIP = 18,
    FIELD_ICMPSRCPORT = 19,
    FIELD_ICMPDESTPORT = 20,
    FIELD_ICMPIPPROTO = 21,
    FIELD_DESCRIPTION = 22,
    FIELD_ENETPROTO = 23,
    FIELD_FIN = 24,
    FIELD_SYN = 25,
    FIELD_RST = 26,
    FIELD_PSH = 27,
    FIELD_ACK = 28,
    FIELD_URG = 29,
    FIELD_ECE = 30,
    FIELD_CWR = 31,
    FIELD_CONN = 32,
    FIELD_SEVERITY = 33,
    FIELD_ALGMODNAME = 34,
    FIELD_ALGSESSIONID = 35,
    FIELD_ARP = 36,
    FIELD_AUTHRULE = 37,
    FIELD_AUTHAGENT = 38,
    FIELD_AUTHEVENT = 39,
    FIELD_USERNAME = 40,
    FIELD_SRCUSERNAME = 41,
    FIELD_DESTUSERNAME = 42,
    FIELD_DYNROUTINGEVENT = 43,
    FIELD_DYNROUTINGSRCPROC = 44,
    FIELD_DYNROUTINGDESTPROC = 45,
    FIELD_ROUTEIFACE = 46,
    FIELD_ROUTEMETRIC = 47,
    FIELD_ROUTERANGE = 48,
    FIELD_ROUTEGW = 49,
    FIELD_NONE = 0xFFFFFFFF,  // no value set yet: matches nothing
};

class CSearchParam : public CSearchNode {
public:
    enum { kValueSize = 256, kMaxText = kValueSize - 1 };
    // The value of the ARP word "other", which stands for every operation above a reply.
    static constexpr uint8_t kArpOther = ARP_OP_REPLY + 1;

    CSearchParam();
    ~CSearchParam() override;

    // nParamId is the keyword id of the parameter (lql/keyword_table.h).
    void SetValue(int32_t nParamId, const char* pszValue, ESearchOp eOp);
    int Evaluate(const CLogRecord& record) const override;

    ESearchField GetField() const { return m_eField; }
    ESearchOp GetOp() const { return m_eOp; }

private:
    // The outcome of one section of the walk over the record.
    enum EMatch { MATCH_FALSE, MATCH_TRUE, MATCH_GO_ON };

    void ReleaseValue();

    static EMatch TrueOrGoOn(bool bHolds);
    static EMatch TrueOrFalse(bool bHolds);
    bool NumberHolds(uint32_t nField) const;
    bool Number16Holds(uint16_t nField) const;
    bool PortHolds(const uint8_t* pField) const;
    bool Ipv4Holds(const uint8_t* pField) const;
    bool RecordValueHolds(const uint8_t* pValue, ERecordValue eValue) const;

    EMatch MatchText(const char* pszText) const;
    EMatch MatchCountedText(const char* pText, uint16_t nLength) const;
    EMatch MatchEntryFields(const CLogRecord& record) const;
    EMatch MatchRouteFields(const CLogRecord& record) const;
    EMatch MatchInterface(const CLogRecord& record, bool bReceiving) const;
    EMatch MatchUserNames(const CLogRecord& record) const;
    bool MatchEthernetHeader(const CLogRecord& record) const;
    EMatch MatchNetworkLayer(const CLogRecord& record) const;
    bool MatchTransportLayer(const CLogRecord& record) const;
    bool MatchIcmp(const CLogRecord& record) const;
    bool MatchConnection(const CLogRecord& record) const;
    bool MatchAuthentication(const CLogRecord& record) const;

    ESearchField m_eField;
    ESearchOp m_eOp;
    ERecordValue m_eQuotedValue;  // the field's value in the headers an ICMP error quotes
    ERecordValue m_eConnValue;    // the field's value in the last connection block
    uint16_t m_nTextLen;          // length of m_szValue for text values
    // The converted value; which member is in use follows from m_eField.
    union {
        char m_szValue[kValueSize];             // a text of up to 255 characters
        uint8_t m_aValueAddr[kMacAddressSize];  // IPv4 (4 bytes) or Ethernet (6 bytes) address, network order
        uint16_t m_nValue16;                    // ports, protocols, ICMP and Ethernet types
        uint32_t m_nValue32;                    // ids, flags, severities, events, metrics
        uint8_t m_nValueEnum;                   // connection event or ARP operation
    };
    std::unique_ptr<CTextPattern> m_pPattern;  // FIELD_DESCRIPTION only
};

#endif
