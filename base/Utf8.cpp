#include "Utf8.h"

namespace brivane {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// Length of the well-formed prefix of the sequence starting at bytes[i]:
// the full sequence length when it is complete and valid, otherwise how many
// bytes make up the maximal ill-formed subpart (at least one). `complete`
// tells which of the two it is.
std::size_t ScanSequence(std::string_view bytes, std::size_t i, bool& complete) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    complete = false;
    if (lead < 0x80) {
        complete = true;
        return 1;
    }
    std::size_t length;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
    } else {
        return 1;
    }
    std::size_t n = 1;
    for (; n < length && i + n < bytes.size(); ++n) {
        const unsigned char b = byte(i + n);
        const unsigned char lo = n == 1 ? low : 0x80;
        const unsigned char hi = n == 1 ? high : 0xBF;
        if (b < lo || b > hi) return n;
    }
    complete = n == length;
    return n;
}

}  // namespace

std::string DecodeUtf8Lossy(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        bool complete = false;
        const std::size_t n = ScanSequence(bytes, i, complete);
        if (complete)
            out.append(bytes.substr(i, n));
        else
            out.append(kReplacement);
        i += n;
    }
    return out;
}

bool IsValidUtf8(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        bool complete = false;
        i += ScanSequence(bytes, i, complete);
        if (!complete) return false;
    }
    return true;
}

}  // namespace brivane
