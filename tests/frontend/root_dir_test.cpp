// The per-user store of the default root directory: reading, writing, empty
// and unwritable stores, value length and zero bytes, and special files in
// place of the value.
#include "frontend/root_dir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/common/temp_dir.h"

namespace {

// Points the settings store at a fresh folder for one test.
class RootDirStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        const char* pszOld = std::getenv("XDG_CONFIG_HOME");
        m_bHadOld = pszOld != nullptr;
        if (m_bHadOld)
            m_strOld = pszOld;
        setenv("XDG_CONFIG_HOME", m_store.Path().c_str(), 1);
    }

    void TearDown() override
    {
        if (m_bHadOld)
            setenv("XDG_CONFIG_HOME", m_strOld.c_str(), 1);
        else
            unsetenv("XDG_CONFIG_HOME");
    }

    std::string ValueFile() const { return m_store / "SoftWare/Tovrek/Sarnith/RootDir"; }

    CTempDir m_store;
    bool m_bHadOld = false;
    std::string m_strOld;
};

}  // namespace

TEST_F(RootDirStore, NothingStoredReadsEmpty)
{
    EXPECT_TRUE(ReadRootDir().IsEmpty());
}

TEST_F(RootDirStore, WrittenValueReadsBackWithItsTerminatorStored)
{
    ASSERT_TRUE(WriteRootDir("/data/logs 100%"));
    EXPECT_STREQ(ReadRootDir(), "/data/logs 100%");
    EXPECT_EQ(ReadWholeFile(ValueFile()), std::string("/data/logs 100%\0", 16));

    ASSERT_TRUE(WriteRootDir("/other"));
    EXPECT_STREQ(ReadRootDir(), "/other");
}

TEST_F(RootDirStore, EmptyValueMeansUnset)
{
    ASSERT_TRUE(WriteRootDir(""));
    EXPECT_TRUE(ReadRootDir().IsEmpty());
}

TEST_F(RootDirStore, ValueReadsUpToItsFirstZero)
{
    WriteWholeFile(ValueFile(), std::string("/first\0/second", 14));
    EXPECT_STREQ(ReadRootDir(), "/first");
}

TEST_F(RootDirStore, UnwritableStoreReportsFailure)
{
    // A file where the key's folder should be makes the store unwritable.
    WriteWholeFile(m_store / "SoftWare", "in the way");
    EXPECT_FALSE(WriteRootDir("/data"));
    EXPECT_TRUE(ReadRootDir().IsEmpty());
}

TEST_F(RootDirStore, ValueIsReadUpTo64KiB)
{
    WriteWholeFile(ValueFile(), std::string(70000, 'd'));
    EXPECT_EQ(ReadRootDir().GetLength(), 65536);
}

TEST_F(RootDirStore, SpecialFilesAsTheValueNeverHoldTheReadingUp)
{
    WriteWholeFile(ValueFile(), "");
    ASSERT_EQ(unlink(ValueFile().c_str()), 0);

    // A pipe nobody writes to, then one whose writer stays silent.
    ASSERT_EQ(mkfifo(ValueFile().c_str(), 0600), 0);
    EXPECT_TRUE(ReadRootDir().IsEmpty());
    int nWriter = open(ValueFile().c_str(), O_RDWR);
    ASSERT_GE(nWriter, 0);
    EXPECT_TRUE(ReadRootDir().IsEmpty());
    close(nWriter);
    ASSERT_EQ(unlink(ValueFile().c_str()), 0);

    // A device that never ends.
    ASSERT_EQ(symlink("/dev/zero", ValueFile().c_str()), 0);
    EXPECT_TRUE(ReadRootDir().IsEmpty());
}
