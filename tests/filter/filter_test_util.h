// Helpers shared by the filter tests: decoded records that keep their entry
// bytes alive, and conditions built through SetValue.
#ifndef SARNITH_TESTS_FILTER_FILTER_TEST_UTIL_H
#define SARNITH_TESTS_FILTER_FILTER_TEST_UTIL_H

#include <functional>
#include <memory>
#include <string>

#include "filter/search_in.h"
#include "filter/search_index.h"
#include "filter/search_param.h"
#include "records/log_record.h"
#include "support/error_text.h"
#include "testing/entry_builder.h"

namespace filtertest {

// A record decoded from its own copy of an entry body; the record points
// into that copy, so the pair is kept together and never copied.
class CDecoded {
public:
    explicit CDecoded(const testdata::CEntryBuilder& entry) : m_aBody(entry.Body())
    {
        m_record.Decode(m_aBody.data(), static_cast<uint16_t>(m_aBody.size()));
    }
    CDecoded(const CDecoded&) = delete;
    CDecoded& operator=(const CDecoded&) = delete;

    const CLogRecord& Record() const { return m_record; }
    operator const CLogRecord&() const { return m_record; }

private:
    testdata::Bytes m_aBody;
    CLogRecord m_record;
};

// The message raised by fnBuild, or "" when it raised nothing.
inline std::string MessageOf(const std::function<void()>& fnBuild)
{
    try {
        fnBuild();
    } catch (const CErrorText& error) {
        return error.Text();
    }
    return "";
}

inline std::unique_ptr<CSearchParam> Param(int32_t nParamId, const char* pszValue, ESearchOp eOp = SEARCH_OP_EQ)
{
    std::unique_ptr<CSearchParam> pParam(new CSearchParam);
    pParam->SetValue(nParamId, pszValue, eOp);
    return pParam;
}

inline std::string ParamMessage(int32_t nParamId, const char* pszValue, ESearchOp eOp = SEARCH_OP_EQ)
{
    return MessageOf([&] {
        CSearchParam param;
        param.SetValue(nParamId, pszValue, eOp);
    });
}

inline bool Matches(const CLogRecord& record, int32_t nParamId, const char* pszValue, ESearchOp eOp = SEARCH_OP_EQ)
{
    return Param(nParamId, pszValue, eOp)->Evaluate(record) != 0;
}

inline bool InMatches(const CLogRecord& record, int32_t nParamId, const char* pszList)
{
    CSearchIn in;
    in.SetValue(nParamId, pszList);
    return in.Evaluate(record) != 0;
}

inline bool IndexMatches(const CLogRecord& record, int32_t nParamId, uint32_t nOffset, const char* pszValue,
                         ESearchOp eOp = SEARCH_OP_EQ)
{
    CSearchIndex index;
    index.SetValue(nParamId, pszValue, eOp, nOffset);
    return index.Evaluate(record) != 0;
}

}  // namespace filtertest

#endif
