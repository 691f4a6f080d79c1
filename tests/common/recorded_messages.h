// CRecordedMessages: a log file reader's message receiver for tests. It
// keeps every message as the query run would print it (the text and a line
// feed) and which message each was.
#ifndef SARNITH_TESTS_COMMON_RECORDED_MESSAGES_H
#define SARNITH_TESTS_COMMON_RECORDED_MESSAGES_H

#include <string>
#include <vector>

#include "storage/reader_messages.h"

class CRecordedMessages final : public IReaderMessages {
public:
    void Report(EReaderMessage eMessage, const char* pszText) override
    {
        m_aKinds.push_back(eMessage);
        m_strText += pszText;
        m_strText += '\n';
    }

    std::string m_strText;
    std::vector<EReaderMessage> m_aKinds;
};

#endif
