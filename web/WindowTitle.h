#pragma once

#include <cstddef>
#include <string>

namespace brivane::web {

// The flipbook's title as the window shows it: decoded from HTML and cut to
// what a title bar can show. A title of megabytes would otherwise cost the
// decoder, the window manager and every task switcher dearly.
class WindowTitle {
public:
    static constexpr std::size_t MAX_GRAPHEMES = 200;
    // The stored title is cut to this many bytes before it is decoded.
    static constexpr std::size_t MAX_STORED_BYTES = 16 * 1024;

    static std::string FromStored(const std::string& stored);
    // At most `max` user-perceived characters; a cut text ends in "…".
    static std::string Capped(const std::string& utf8, std::size_t max);
};

}  // namespace brivane::web
