// The problems of a query run: reader messages shown at once and counted,
// undecodable entries counted, and the closing warning with its exit code.
#include "frontend/run_problems.h"

#include <gtest/gtest.h>
#include <string>

namespace {

// What was written to a temporary stream.
std::string Written(FILE* pStream)
{
    std::string strText;
    std::rewind(pStream);
    int ch;
    while ((ch = std::fgetc(pStream)) != EOF)
        strText += static_cast<char>(ch);
    return strText;
}

TEST(RunProblems, WarningCountsFilesAndEntriesInSingularOrPlural)
{
    const struct {
        int nFiles;
        int nEntries;
        const char* pszWarning;
    } aCases[] = {
        {0, 0, ""},
        {1, 0, "Warning: 1 file could not be read"},
        {2, 0, "Warning: 2 files could not be read"},
        {0, 1, "Warning: 1 entry could not be decoded"},
        {0, 3, "Warning: 3 entries could not be decoded"},
        {1, 3, "Warning: 1 file could not be read and 3 entries could not be decoded"},
        {4, 1, "Warning: 4 files could not be read and 1 entry could not be decoded"},
    };
    for (const auto& test : aCases) {
        FILE* pStream = std::tmpfile();
        ASSERT_NE(pStream, nullptr);
        CRunProblems problems(pStream);
        std::string strMessages;
        for (int i = 0; i < test.nFiles; ++i) {
            std::string strText = "Failed to read /db/gw/200606/" + std::to_string(i) + "-0.gz";
            problems.Report(EReaderMessage::kFailedToRead, strText.c_str());
            strMessages += strText + "\n";
        }
        for (int i = 0; i < test.nEntries; ++i)
            problems.CountUndecodedEntry();
        EXPECT_EQ(problems.WarningText(), test.pszWarning);
        // The messages were shown as they came; the warning closes them.
        EXPECT_EQ(Written(pStream), strMessages);
        std::fseek(pStream, 0, SEEK_END);
        EXPECT_EQ(problems.Conclude(), test.nFiles + test.nEntries == 0 ? 0 : kExitProblems);
        std::string strExpected = strMessages;
        if (test.pszWarning[0] != '\0')
            strExpected.append(test.pszWarning).append("\n");
        EXPECT_EQ(Written(pStream), strExpected);
        std::fclose(pStream);
    }
}

}  // namespace
