// Escaping of texts inside JSON strings: the characters JSON reserves,
// control characters, and every byte outside valid UTF-8 as \u00XX.
#include "output/json_text.h"

#include <cstdint>

namespace {

const char kHexDigits[] = "0123456789abcdef";

// The lead bytes of valid UTF-8 sequences, with the length of the sequence
// and the range its second byte must lie in; every further byte lies in
// 0x80-0xBF. The narrow second-byte ranges keep out overlong forms,
// surrogates and code points above U+10FFFF.
struct CUtf8Lead {
    uint8_t m_nFirst;
    uint8_t m_nLast;
    size_t m_nLength;
    uint8_t m_nSecondLow;
    uint8_t m_nSecondHigh;
};

const CUtf8Lead kUtf8Leads[] = {
    // lead bytes   length  second byte
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},  // no overlong forms
    {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F},  // no surrogates
    {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},  // no overlong forms
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},  // nothing above U+10FFFF
};

constexpr uint8_t kContinuationLow = 0x80;
constexpr uint8_t kContinuationHigh = 0xBF;

// The control characters with a short escape.
struct CShortEscape {
    char m_ch;
    char m_cEscape;
};

const CShortEscape kShortEscapes[] = {
    {'\b', 'b'}, {'\t', 't'}, {'\n', 'n'}, {'\f', 'f'}, {'\r', 'r'},
};

bool NeedsEscape(uint8_t nByte)
{
    return kJsonEscapeTable.m_abMayNeed[nByte];
}

// The length of the valid UTF-8 sequence that starts at pBytes (nLeft bytes
// remain); 0 when the bytes are no valid sequence.
size_t Utf8SequenceLength(const uint8_t* pBytes, size_t nLeft)
{
    for (const CUtf8Lead& lead : kUtf8Leads) {
        if (pBytes[0] < lead.m_nFirst || pBytes[0] > lead.m_nLast)
            continue;
        if (nLeft < lead.m_nLength || pBytes[1] < lead.m_nSecondLow || pBytes[1] > lead.m_nSecondHigh)
            return 0;
        for (size_t i = 2; i < lead.m_nLength; ++i)
            if (pBytes[i] < kContinuationLow || pBytes[i] > kContinuationHigh)
                return 0;
        return lead.m_nLength;
    }
    return 0;
}

void AppendByteEscape(CLineBuffer& line, uint8_t nByte)
{
    line.Append("\\u00", 4);
    line.AppendChar(kHexDigits[nByte >> 4]);
    line.AppendChar(kHexDigits[nByte & 0x0F]);
}

void AppendControlEscape(CLineBuffer& line, uint8_t nByte)
{
    for (const CShortEscape& escape : kShortEscapes) {
        if (static_cast<uint8_t>(escape.m_ch) == nByte) {
            line.AppendChar('\\');
            line.AppendChar(escape.m_cEscape);
            return;
        }
    }
    AppendByteEscape(line, nByte);
}

}  // namespace

void AppendJsonEscaped(CLineBuffer& line, const char* pText, size_t nLength)
{
    const uint8_t* pBytes = reinterpret_cast<const uint8_t*>(pText);
    size_t nPlain = 0;  // start of the bytes that pass unchanged and are not yet appended
    size_t i = 0;
    while (i < nLength) {
        uint8_t nByte = pBytes[i];
        if (!NeedsEscape(nByte)) {
            ++i;
            continue;
        }
        size_t nSequence = nByte >= 0x80 ? Utf8SequenceLength(pBytes + i, nLength - i) : 0;
        if (nSequence != 0) {
            i += nSequence;
            continue;
        }
        line.Append(pText + nPlain, i - nPlain);
        if (nByte == '"' || nByte == '\\') {
            line.AppendChar('\\');
            line.AppendChar(static_cast<char>(nByte));
        } else if (nByte < 0x20) {
            AppendControlEscape(line, nByte);
        } else {
            AppendByteEscape(line, nByte);
        }
        ++i;
        nPlain = i;
    }
    line.Append(pText + nPlain, nLength - nPlain);
}

void EscapeJsonTailFrom(CLineBuffer& line, size_t nFirst, CLineBuffer& scratch)
{
    // Bytes before the first one that may need an escape stay where they are.
    line.MoveTail(nFirst, scratch);
    AppendJsonEscaped(line, scratch.GetData(), scratch.GetLength());
}
