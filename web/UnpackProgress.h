#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace brivane::web {

// How far unpacking has come: the bytes of files written against the bytes
// of all files the archive holds.
struct UnpackProgress {
    std::uint64_t done = 0;
    std::uint64_t total = 0;

    // "Unpacking… 120 of 270 MB", for the opening overlay.
    static std::string Describe(const UnpackProgress& progress);
};

}  // namespace brivane::web
