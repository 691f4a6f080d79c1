// The bounded formatter: the program's own formats, flags, width and
// precision, texts that cannot be read, floating point, and that it never
// writes past the buffer.
#include "support/bounded_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Formats into a roomy buffer and returns the text; the returned length must
// match what was stored.
template <class... ARGS>
std::string Format(const char* pszFormat, ARGS... args)
{
    char szBuffer[512];
    int nLength = BoundedFormat(szBuffer, sizeof(szBuffer), pszFormat, args...);
    EXPECT_EQ(nLength, static_cast<int>(std::strlen(szBuffer))) << pszFormat;
    return szBuffer;
}

}  // namespace

TEST(BoundedFormat, FormatsTheProgramsOwnFormats)
{
    EXPECT_EQ(Format("%u", 4294967295u), "4294967295");
    EXPECT_EQ(Format("%02x", 5), "05");
    EXPECT_EQ(Format("%02x%02x:%02x%02x:%02x%02x", 0x0a, 0xb0, 0xc9, 0xde, 0xf1, 0x2a), "0ab0:c9de:f12a");
    EXPECT_EQ(Format("%u.%u.%u.%u", 192, 168, 0, 1), "192.168.0.1");
    EXPECT_EQ(Format("%s/Ostrel.cfg", "/data/logs"), "/data/logs/Ostrel.cfg");
}

TEST(BoundedFormat, IntegerConversionsAreThirtyTwoBits)
{
    EXPECT_EQ(Format("%d|%i", -2147483647 - 1, 42), "-2147483648|42");
    EXPECT_EQ(Format("%u", -1), "4294967295");
    EXPECT_EQ(Format("%ld %hd %lu", -7, 12, 0xFFFFFFFFu), "-7 12 4294967295");
    EXPECT_EQ(Format("%o %x %X", 8, 0xbeef, 0xbeef), "10 beef BEEF");
    EXPECT_EQ(Format("%c%c", 'o', 'k'), "ok");
    EXPECT_EQ(Format("100%%"), "100%");
}

TEST(BoundedFormat, FlagsWidthAndPrecision)
{
    EXPECT_EQ(Format("[%5d]", 42), "[   42]");
    EXPECT_EQ(Format("[%-5d]", 42), "[42   ]");
    EXPECT_EQ(Format("[%05d]", -42), "[-0042]");
    EXPECT_EQ(Format("[%-05d]", 42), "[42   ]");  // left-justifying wins over zeros
    EXPECT_EQ(Format("[%+d] [% d] [%+ d]", 5, 5, 5), "[+5] [ 5] [+5]");
    EXPECT_EQ(Format("[%#x] [%#X] [%#o] [%#x]", 255, 255, 8, 0), "[0xff] [0XFF] [010] [0]");
    EXPECT_EQ(Format("[%#08x]", 255), "[0x0000ff]");
    EXPECT_EQ(Format("[%.3d] [%6.3d] [%06.3d]", 7, 7, 7), "[007] [   007] [   007]");
    EXPECT_EQ(Format("[%.0d]", 0), "[]");
    EXPECT_EQ(Format("[%*d] [%*d]", 4, 1, -4, 1), "[   1] [1   ]");
    EXPECT_EQ(Format("[%.*d]", -3, 9), "[9]");
    EXPECT_EQ(Format("[%-20s]", "srcip"), "[srcip               ]");
    EXPECT_EQ(Format("[%.3s] [%.*s] [%.s]", "abcdef", 2, "xyz", "gone"), "[abc] [xy] []");
    EXPECT_EQ(Format("[%3c]", 'z'), "[  z]");
}

TEST(BoundedFormat, TextPointersThatCannotPointAtATextPrintNull)
{
    EXPECT_EQ(Format("%s", static_cast<const char*>(nullptr)), "(null)");
    for (uintptr_t nAddress :
         {uintptr_t(65535), UINTPTR_MAX, UINTPTR_MAX - 65534, uintptr_t(0xCCCCCCCCu), uintptr_t(0xCDCDCDCDu),
          uintptr_t(0xDDDDDDDDu), uintptr_t(0xEEEEEEEEu), static_cast<uintptr_t>(0xCCCCCCCCCCCCCCCCull)})
        // Pointers made from numbers are what this test is about.
        // NOLINTNEXTLINE(performance-no-int-to-ptr)
        EXPECT_EQ(Format("%s", reinterpret_cast<const char*>(nAddress)), "(null)") << nAddress;
    EXPECT_EQ(Format("[%8s]", static_cast<const char*>(nullptr)), "[  (null)]");
}

TEST(BoundedFormat, UnknownConversionsAndAnOpenEndPrintNothing)
{
    EXPECT_EQ(Format("a%qb"), "ab");
    EXPECT_EQ(Format("a%5"), "a");
    EXPECT_EQ(Format("end%"), "end");
}

TEST(BoundedFormat, PointersInHexadecimal)
{
    // NOLINTNEXTLINE(performance-no-int-to-ptr): a pointer made from a known number
    const void* p = reinterpret_cast<const void*>(static_cast<uintptr_t>(0x1234abcd));
    EXPECT_EQ(Format("%p", p), "1234abcd");
    EXPECT_EQ(Format("%#p", p), "0x1234abcd");
}

TEST(BoundedFormat, FloatingPoint)
{
    EXPECT_EQ(Format("%f", 1.5), "1.500000");
    EXPECT_EQ(Format("%.2f|%.0f|%#.0f", 2.345, 2.5, 2.0), "2.35|2|2.");
    EXPECT_EQ(Format("%e|%.2E", 12345.678, 0.000123), "1.234568e+04|1.23E-04");
    EXPECT_EQ(Format("%g|%G|%.0g", 0.0001, 1e20, 123.0), "0.0001|1E+20|1e+02");
    EXPECT_EQ(Format("[%+.1f] [% .1f] [%08.2f] [%-8.2f]", 3.0, 3.0, -3.14159, 3.14159),
              "[+3.0] [ 3.0] [-0003.14] [3.14    ]");
    EXPECT_EQ(Format("%f|%f|%f|%5f", HUGE_VAL, -HUGE_VAL, std::nan(""), HUGE_VAL), "Inf|-Inf|NaN|  Inf");
    EXPECT_EQ(Format("%.1f", -0.0), "-0.0");
    EXPECT_EQ(Format("%f", 1e300).size(), 301u + 7u);  // longer than any local buffer
}

TEST(BoundedFormat, NeverWritesPastTheBufferAndReturnsTheFullLength)
{
    char szBuffer[8];
    std::memset(szBuffer, 'x', sizeof(szBuffer));
    EXPECT_EQ(BoundedFormat(szBuffer, 8, "%s-%s", "hello", "world"), 11);
    EXPECT_STREQ(szBuffer, "hello-w");

    char aGuarded[12];
    std::memset(aGuarded, '#', sizeof(aGuarded));
    EXPECT_EQ(BoundedFormat(aGuarded, 4, "%10d|%-10s|%f", 1, "x", 1e300), 330);
    EXPECT_STREQ(aGuarded, "   ");
    for (size_t i = 4; i < sizeof(aGuarded); ++i)
        EXPECT_EQ(aGuarded[i], '#') << i;

    char szOne[1] = {'x'};
    EXPECT_EQ(BoundedFormat(szOne, 1, "abc"), 3);
    EXPECT_EQ(szOne[0], '\0');

    char szWide[16];
    EXPECT_EQ(BoundedFormat(szWide, sizeof(szWide), "%2000000000d", 7), 2000000000);
    EXPECT_EQ(std::string(szWide), std::string(15, ' '));
}

TEST(BoundedFormat, SizeBelowOneLeavesTheBufferAlone)
{
    char szBuffer[4] = {'a', 'b', 'c', '\0'};
    EXPECT_EQ(BoundedFormat(szBuffer, 0, "%d", 12345), 0);
    EXPECT_EQ(BoundedFormat(szBuffer, -5, "xyz"), 0);
    EXPECT_STREQ(szBuffer, "abc");
}

TEST(BoundedFormat, APieceStopsAtAZeroCharacter)
{
    EXPECT_EQ(Format("a%cb", 0), "ab");
}
