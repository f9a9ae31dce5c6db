#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brivane::web {

// The part of a file that a GET with a Range header gets back. One range at
// a time: a list of ranges is answered with the whole file, as a server may.
struct ByteRange {
    enum class Kind { Whole, Part, Unsatisfiable };

    Kind kind = Kind::Whole;
    std::uint64_t first = 0;
    std::uint64_t length = 0;

    // header: the Range header's value, absent when the request has none.
    static ByteRange Of(const std::optional<std::string>& header, std::uint64_t size);
};

}  // namespace brivane::web
