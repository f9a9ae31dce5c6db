#pragma once

#include <string>

namespace brivane::document {

// Plain text of an HTML fragment: character references resolved, markup
// dropped. On failure logs one line and returns the input unchanged.
std::string decodeHTML(const std::string& html);

}  // namespace brivane::document
