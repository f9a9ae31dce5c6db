#include "document/archive/EntryDigest.h"

#include <zlib.h>  // for crc32
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brivane::document {
namespace {

using Verdict = EntryDigest::Verdict;

std::uint32_t Crc(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

// A page served from the archive keeps only what the directory vouches for:
// the verdict falls with the last byte, never before, and a short or long
// source is as wrong as other bytes.
TEST(EntryDigest, JudgesTheWholeEntryOnceItsLastByteWentOut) {
    const std::string entry = "%PDF-1.7 the book's own bytes";
    const struct {
        const char* name;
        std::uint32_t crc;
        std::uint64_t length;
        std::vector<std::string> pieces;
        std::vector<Verdict> verdicts;
    } cases[] = {
        {"in one piece", Crc(entry), entry.size(), {entry}, {Verdict::Matches}},
        {"in pieces",
         Crc(entry),
         entry.size(),
         {entry.substr(0, 4), entry.substr(4, 10), entry.substr(14)},
         {Verdict::Pending, Verdict::Pending, Verdict::Matches}},
        {"other bytes of the same length",
         Crc(entry),
         entry.size(),
         {entry.substr(0, 4), std::string(entry.size() - 4, 'x')},
         {Verdict::Pending, Verdict::Differs}},
        {"the source ends early",
         Crc(entry),
         entry.size(),
         {entry.substr(0, 9), ""},
         {Verdict::Pending, Verdict::Differs}},
        {"more than the entry", Crc(entry), entry.size() - 1, {entry}, {Verdict::Differs}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EntryDigest digest(c.crc, c.length);
        std::vector<Verdict> verdicts;
        for (const auto& piece : c.pieces) verdicts.push_back(digest.Add(piece.data(), piece.size()));
        EXPECT_EQ(verdicts, c.verdicts);
    }
}

}  // namespace
}  // namespace brivane::document
