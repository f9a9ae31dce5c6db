#pragma once

#include <cstddef>
#include <string_view>

namespace brivane {

// Number of user-perceived characters (extended grapheme clusters) in UTF-8
// text, as ICU's character break rules count them.
std::size_t CountGraphemes(std::string_view utf8);

}  // namespace brivane
