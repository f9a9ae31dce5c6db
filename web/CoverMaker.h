#pragma once

#include "web/CoverCache.h"

#include <string>

namespace brivane::web {

// Draws a book's first page with the thumbnailer the file manager uses, in a
// process of its own: a hostile PDF can hang or exhaust only that process,
// which ends itself after a while. Takes up to seconds: never on the main thread.
class CoverMaker {
public:
    static constexpr int SIZE = 128;  // longest side in pixels: sharp at twice the list's size
    static constexpr int SECONDS = 15;

    explicit CoverMaker(std::string thumbnailer);
    // brivane-flip beside the running program.
    static std::string Beside();

    // The cover and page count of the book at fileUrl; an empty picture when
    // it cannot be drawn. scratch: a directory for the picture in passing.
    CoverCache::Cover Make(const std::string& fileUrl, const std::string& scratch) const;
    static int PageCountOf(const std::string& fileUrl);

private:
    std::string thumbnailer_;
};

}  // namespace brivane::web
