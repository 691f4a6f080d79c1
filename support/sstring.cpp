// CSString's storage: buffers with their header in front of the characters,
// shared by copies and made private before a change, small buffers recycled
// through a free list; and the text operations on them.
#include "support/sstring.h"

#include <pthread.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

struct CSString::Header {
    int32_t m_nCapacity;  // bytes for characters, terminator included
    int32_t m_nLength;    // characters + 1
    int32_t m_nShares;    // further strings that use this buffer
};

namespace {

constexpr int kHeaderSize = static_cast<int>(sizeof(int32_t) * 3);
constexpr int kSmallBlock = 256;
constexpr int kSmallCapacity = kSmallBlock - kHeaderSize;  // 244
constexpr int kPoolSlots = 256;

// The free list of small blocks, one per thread, so that threads never
// share one. Plain zero-initialised data, so it is usable before and after
// any constructor or destructor of the program runs.
struct BlockPool {
    void* m_aBlocks[kPoolSlots];
    int m_nCount;
    bool m_bArmed;   // its closing is arranged
    bool m_bClosed;  // blocks released from now on go straight to the heap
};
thread_local BlockPool g_pool;

// Releases the blocks left on the calling thread's free list.
void ClosePool(void* /*pool*/ = nullptr)
{
    while (g_pool.m_nCount > 0)
        std::free(g_pool.m_aBlocks[--g_pool.m_nCount]);
    g_pool.m_bClosed = true;
}

// A thread's free list is closed when the thread ends, through a thread
// key whose destructor runs then. Not through a thread_local object with a
// destructor: registering one allocates, and the C library ends the whole
// process when that allocation fails, which a worker thread started while
// memory runs out would meet.
pthread_key_t g_poolKey;
bool g_bPoolKeyMade = false;
pthread_once_t g_poolKeyOnce = PTHREAD_ONCE_INIT;

void MakePoolKey()
{
    g_bPoolKeyMade = pthread_key_create(&g_poolKey, ClosePool) == 0;
}

// Whether the thread's free list will be closed when the thread ends;
// without that it keeps nothing.
bool ArmPool()
{
    if (!g_pool.m_bArmed) {
        g_pool.m_bArmed = true;
        pthread_once(&g_poolKeyOnce, MakePoolKey);
        if (!g_bPoolKeyMade || pthread_setspecific(g_poolKey, &g_pool) != 0)
            g_pool.m_bClosed = true;
    }
    return !g_pool.m_bClosed;
}

// The thread that ends the program closes its own free list after the
// destructors of the objects made after this one.
struct ExitPoolCloser {
    ~ExitPoolCloser() { ClosePool(); }
} g_exitPoolCloser;

int BlockSizeFor(int nBytes)
{
    if (nBytes <= kSmallCapacity)
        return kSmallBlock;
    return (nBytes + kHeaderSize) / kSmallBlock * kSmallBlock + kSmallBlock;
}

void* AllocBlock(int nBlockSize)
{
    if (nBlockSize == kSmallBlock && g_pool.m_nCount > 0)
        return g_pool.m_aBlocks[--g_pool.m_nCount];
    return std::malloc(static_cast<size_t>(nBlockSize));
}

void FreeBlock(void* pBlock, int nCapacity)
{
    if (nCapacity == kSmallCapacity && !g_pool.m_bClosed && g_pool.m_nCount < kPoolSlots && ArmPool()) {
        g_pool.m_aBlocks[g_pool.m_nCount++] = pBlock;
        return;
    }
    std::free(pBlock);
}

// A fresh private buffer able to hold nBytes (characters and terminator).
char* NewBuffer(int nBytes)
{
    int nBlockSize = BlockSizeFor(nBytes);
    void* pBlock = AllocBlock(nBlockSize);
    if (pBlock == nullptr)
        throw CSStringException(CSStringException::kAllocFailed);
    int32_t* pHeader = static_cast<int32_t*>(pBlock);
    pHeader[0] = nBlockSize - kHeaderSize;
    pHeader[1] = 1;
    pHeader[2] = 0;
    char* pszData = static_cast<char*>(pBlock) + kHeaderSize;
    pszData[0] = '\0';
    return pszData;
}

int SafeLength(const char* psz)
{
    return psz == nullptr ? 0 : static_cast<int>(std::strlen(psz));
}

}  // namespace

CSString::Header* CSString::GetHeader() const
{
    return reinterpret_cast<Header*>(m_pszData - kHeaderSize);
}

CSString::CSString() : m_pszData(NewBuffer(1)) {}

CSString::CSString(const char* psz) : m_pszData(NewBuffer(SafeLength(psz) + 1))
{
    Assign(psz, SafeLength(psz));
}

CSString::CSString(const char* psz, int nCount) : m_pszData(nullptr)
{
    int nLength = 0;
    if (psz != nullptr)
        while (nLength < nCount && psz[nLength] != '\0')
            ++nLength;
    m_pszData = NewBuffer(nLength + 1);
    Assign(psz, nLength);
}

CSString::CSString(const CSString& other) : m_pszData(other.m_pszData)
{
    ++GetHeader()->m_nShares;
}

CSString::~CSString()
{
    Release();
}

void CSString::Release()
{
    Header* pHeader = GetHeader();
    if (pHeader->m_nShares > 0) {
        --pHeader->m_nShares;
    } else {
        FreeBlock(pHeader, pHeader->m_nCapacity);
    }
    m_pszData = nullptr;
}

// Assigning a string to itself (or to a copy sharing its buffer) changes nothing.
CSString& CSString::operator=(const CSString& other)  // NOLINT(bugprone-unhandled-self-assignment)
{
    if (m_pszData != other.m_pszData) {
        ++other.GetHeader()->m_nShares;
        Release();
        m_pszData = other.m_pszData;
    }
    return *this;
}

CSString& CSString::operator=(const char* psz)
{
    int nLength = SafeLength(psz);
    if (psz != nullptr && psz >= m_pszData && psz < m_pszData + GetHeader()->m_nCapacity) {
        CSString copy(psz);  // the text lies in our own buffer
        return *this = copy;
    }
    MakePrivate(false);
    Reserve(nLength + 1);
    Assign(psz, nLength);
    return *this;
}

void CSString::Assign(const char* psz, int nCount)
{
    if (nCount > 0)
        std::memmove(m_pszData, psz, static_cast<size_t>(nCount));
    m_pszData[nCount] = '\0';
    GetHeader()->m_nLength = nCount + 1;
}

void CSString::MakePrivate(bool bKeepText)
{
    Header* pHeader = GetHeader();
    if (pHeader->m_nShares == 0)
        return;
    int nLength = pHeader->m_nLength - 1;
    char* pszNew = NewBuffer(nLength + 1);
    if (bKeepText) {
        std::memcpy(pszNew, m_pszData, static_cast<size_t>(nLength) + 1);
        reinterpret_cast<Header*>(pszNew - kHeaderSize)->m_nLength = nLength + 1;
    }
    --pHeader->m_nShares;
    m_pszData = pszNew;
}

void CSString::Reserve(int nBytes)
{
    Header* pHeader = GetHeader();
    if (nBytes <= pHeader->m_nCapacity)
        return;
    int nBlockSize = BlockSizeFor(nBytes);
    void* pOld = pHeader;
    // Pool-sized blocks are plain heap blocks too, so realloc serves for all.
    void* pNew = std::realloc(pOld, static_cast<size_t>(nBlockSize));
    if (pNew == nullptr) {
        std::free(pOld);
        m_pszData = NewBuffer(1);
        throw CSStringException(CSStringException::kGrowFailed);
    }
    Header* pNewHeader = static_cast<Header*>(pNew);
    pNewHeader->m_nCapacity = nBlockSize - kHeaderSize;
    m_pszData = static_cast<char*>(pNew) + kHeaderSize;
}

int CSString::GetLength() const
{
    return GetHeader()->m_nLength - 1;
}

bool CSString::IsEmpty() const
{
    return GetHeader()->m_nLength == 1;
}

int CSString::GetCapacity() const
{
    return GetHeader()->m_nCapacity;
}

int CSString::Find(char ch) const
{
    const char* p = std::strchr(m_pszData, ch);
    return (p == nullptr || ch == '\0') ? -1 : static_cast<int>(p - m_pszData);
}

int CSString::Find(const char* pszSub) const
{
    const char* p = std::strstr(m_pszData, pszSub == nullptr ? "" : pszSub);
    return p == nullptr ? -1 : static_cast<int>(p - m_pszData);
}

int CSString::CompareNoCase(const char* psz) const
{
    return ::CompareNoCase(psz == nullptr ? "" : psz, m_pszData);
}

void CSString::Empty()
{
    MakePrivate(false);
    Assign("", 0);
}

void CSString::Append(const char* psz, int nCount)
{
    int nAdd = 0;
    if (psz != nullptr)
        while (nAdd < nCount && psz[nAdd] != '\0')
            ++nAdd;
    if (nAdd == 0)
        return;
    if (psz >= m_pszData && psz < m_pszData + GetHeader()->m_nCapacity) {
        CSString copy(psz, nAdd);  // appending a piece of ourselves
        Append(copy.m_pszData, nAdd);
        return;
    }
    int nLength = GetLength();
    MakePrivate(true);
    Reserve(nLength + nAdd + 1);
    std::memcpy(m_pszData + nLength, psz, static_cast<size_t>(nAdd));
    m_pszData[nLength + nAdd] = '\0';
    GetHeader()->m_nLength = nLength + nAdd + 1;
}

CSString& CSString::operator+=(const CSString& other)
{
    if (other.m_pszData == m_pszData) {
        CSString copy(other.m_pszData, other.GetLength());
        Append(copy.m_pszData, copy.GetLength());
    } else {
        Append(other.m_pszData, other.GetLength());
    }
    return *this;
}

CSString& CSString::operator+=(const char* psz)
{
    Append(psz, SafeLength(psz));
    return *this;
}

CSString& CSString::operator+=(char ch)
{
    int nLength = GetLength();
    MakePrivate(true);
    Reserve(nLength + 2);
    m_pszData[nLength] = ch;
    m_pszData[nLength + 1] = '\0';
    GetHeader()->m_nLength = nLength + 2;
    return *this;
}

CSString operator+(const CSString& a, const CSString& b)
{
    CSString result(a.GetString(), a.GetLength());
    result += b;
    return result;
}

CSString operator+(const CSString& a, const char* b)
{
    CSString result(a.GetString(), a.GetLength());
    result += b;
    return result;
}

CSString operator+(const char* a, const CSString& b)
{
    CSString result(a);
    result += b;
    return result;
}

CSString CSString::Left(int nCount) const
{
    if (nCount < 0 || nCount > GetLength())
        return CSString();
    return CSString(m_pszData, nCount);
}

void CSString::Delete(int nIndex, int nCount)
{
    int nLength = GetLength();
    if (nIndex < 0 || nCount <= 0 || nIndex + nCount > nLength)
        return;
    MakePrivate(true);
    std::memmove(m_pszData + nIndex, m_pszData + nIndex + nCount, static_cast<size_t>(nLength - nIndex - nCount) + 1);
    GetHeader()->m_nLength = nLength - nCount + 1;
}

void CSString::TrimLeft()
{
    int nSkip = 0;
    while (IsTrimChar(m_pszData[nSkip]))
        ++nSkip;
    if (nSkip > 0)
        Delete(0, nSkip);
}

void CSString::TrimRight()
{
    int nLength = GetLength();
    int nKeep = nLength;
    while (nKeep > 0 && IsTrimChar(m_pszData[nKeep - 1]))
        --nKeep;
    if (nKeep < nLength)
        Delete(nKeep, nLength - nKeep);
}

void CSString::Trim()
{
    TrimRight();
    TrimLeft();
}

int CSString::Replace(char chOld, char chNew)
{
    if (chOld == '\0' || std::strchr(m_pszData, chOld) == nullptr)
        return 0;
    MakePrivate(true);
    int nCount = 0;
    for (char* p = m_pszData; *p != '\0'; ++p) {
        if (*p == chOld) {
            *p = chNew;
            ++nCount;
        }
    }
    if (chNew == '\0')
        GetHeader()->m_nLength = static_cast<int32_t>(std::strlen(m_pszData)) + 1;
    return nCount;
}

void CSString::Format(const char* pszFormat, ...)
{
    // The arguments may point into this string's buffer; format into a copy
    // of the capacity so the text never overlaps its own source.
    MakePrivate(false);
    int nCapacity = GetHeader()->m_nCapacity;
    char* pszScratch = static_cast<char*>(std::malloc(static_cast<size_t>(nCapacity)));
    if (pszScratch == nullptr)
        throw CSStringException(CSStringException::kAllocFailed);
    va_list args;
    va_start(args, pszFormat);
    int nWritten = std::vsnprintf(pszScratch, static_cast<size_t>(nCapacity), pszFormat, args);
    va_end(args);
    int nLength = nWritten < 0 ? 0 : (nWritten < nCapacity ? nWritten : nCapacity - 1);
    if (nWritten < 0)
        pszScratch[0] = '\0';
    Assign(pszScratch, nLength);
    std::free(pszScratch);
}

char* CSString::GetBuffer(int nMinBytes)
{
    MakePrivate(true);
    Reserve(nMinBytes);
    return m_pszData;
}

void CSString::ReleaseBuffer(int nNewLength)
{
    MakePrivate(true);
    Header* pHeader = GetHeader();
    if (nNewLength < 0) {
        pHeader->m_nLength = static_cast<int32_t>(std::strlen(m_pszData)) + 1;
        return;
    }
    if (nNewLength >= pHeader->m_nCapacity)
        nNewLength = 0;
    m_pszData[nNewLength] = '\0';
    pHeader->m_nLength = nNewLength + 1;
}
