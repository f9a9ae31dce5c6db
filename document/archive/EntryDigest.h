#pragma once

#include <cstddef>
#include <cstdint>

namespace brivane::document {

// The CRC-32 of an entry's bytes as they go out in order, judged once the
// last of them has: a page served straight from the archive must not keep
// bytes the archive's directory does not vouch for.
class EntryDigest {
public:
    enum class Verdict { Pending, Matches, Differs };

    EntryDigest(std::uint32_t expected, std::uint64_t length) : expected_(expected), left_(length) {}

    // The next piece read; none (size 0) means the source ended. Once judged,
    // the verdict stays.
    Verdict Add(const void* data, std::size_t size);

private:
    std::uint32_t expected_;
    std::uint64_t left_;
    unsigned long sum_ = 0;
    Verdict verdict_ = Verdict::Pending;
};

}  // namespace brivane::document
