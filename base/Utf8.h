#pragma once

#include <string>
#include <string_view>

namespace brivane {

// Bytes to well-formed UTF-8: every maximal ill-formed subsequence becomes
// one U+FFFD, as Unicode recommends. Everything else, NUL and a leading
// byte-order mark included, passes through unchanged.
std::string DecodeUtf8Lossy(std::string_view bytes);

// Code page 437 bytes as UTF-8; the lower half is ASCII.
std::string DecodeCp437(std::string_view bytes);

// True when the bytes are well-formed UTF-8 (NUL allowed).
bool IsValidUtf8(std::string_view bytes);

}  // namespace brivane
