#include "DecodeHTML.h"

namespace brivane::web {

std::string decodeHTML(const std::string& html) { return html; }

}  // namespace brivane::web
