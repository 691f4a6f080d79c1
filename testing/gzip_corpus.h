// The gzip corpus: gzip files of given bytes (a daily file's, as a rule),
// sound and damaged in the ways the reading path must take alike whatever
// inflate engine decodes them, for the tests that run both engines over
// them.
//
// Ownership: every result is a value owned by the caller; the scratch
// folder given to SoundGzipFiles is the caller's and only written into.
#ifndef SARNITH_TESTING_GZIP_CORPUS_H
#define SARNITH_TESTING_GZIP_CORPUS_H

#include <string>
#include <vector>

#include "testing/traffic.h"

namespace testdata {

struct CCorpusFile {
    std::string m_strName;   // what it is, e.g. "zlib level 3" or "cut at 1234"
    std::string m_strBytes;  // the file as stored
};

// Sound gzip files of strBytes: one member at each zlib level 0-9 and with
// zlib's other strategies; members split at several points with empty
// members among them; every optional header field; full flushes (small and
// empty stored blocks); and what the `gzip` command writes (levels 1, 6 and
// 9, with and without the file name) and, where it is installed, what the
// `igzip` command writes (levels 0-3). The commands work on a file in
// strScratchDir.
std::vector<CCorpusFile> SoundGzipFiles(const std::string& strBytes, const std::string& strScratchDir);

// Damaged forms of a sound gzip file: cut at nPoints places spread over it
// and at each of its first and last 24 bytes, a bit flipped at nPoints
// places, the trailer's CRC and length wrong, trailing garbage, a second
// member cut inside its header.
std::vector<CCorpusFile> DamagedGzipFiles(const std::string& strSound, size_t nPoints);

// Members around raw deflate data made bit by bit for the edges of an
// inflater: a block ending exactly at 8 KiB boundaries of the output and
// followed by an invalid block type, stored blocks with a wrong length
// check, distances reaching before the first byte (and to it exactly),
// the fixed code's invalid length and distance symbols, and a block whose
// Huffman code is incomplete with an unused code met in its data.
std::vector<CCorpusFile> CraftedGzipFiles();

// A member whose only block has an incomplete Huffman code that its data
// never uses, holding nCount times 'a': zlib refuses the code at the
// block's header, ISA-L decodes the block.
std::string IncompleteCodeMember(size_t nCount);

// A random damage of a sound gzip file: bits flipped, bytes replaced,
// inserted or removed, the file cut, a stretch repeated, or a few of these
// at once.
std::string MutatedGzip(const std::string& strSound, CRandom& random);

}  // namespace testdata

#endif
