#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace brivane::document {

// Exactly length bytes at offset, or false (short file, read error).
bool ReadHeaderBytes(int fd, std::uint64_t offset, std::size_t length, std::string& out);

// The little-endian field of width bytes at `at`; the caller checks the bounds.
std::uint64_t LittleEndianField(std::string_view bytes, std::size_t at, int width);

}  // namespace brivane::document
