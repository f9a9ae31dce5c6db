#include "print/CurrentSheet.h"

#include <algorithm>
#include <cstdlib>

namespace brivane::print {

std::optional<CurrentSheet> CurrentSheet::From(const std::vector<int>& shown, int pageCount) {
    if (shown.empty() || shown.size() > 2) return std::nullopt;
    if (std::ranges::any_of(shown, [pageCount](int page) { return page < 1 || page > pageCount; })) return std::nullopt;
    if (shown.size() == 2 && std::abs(shown[0] - shown[1]) != 1) return std::nullopt;
    CurrentSheet sheet;
    sheet.pageIndex = std::ranges::min(shown) - 1;
    for (const int page : shown) sheet.pages.push_back(page - 1);
    return sheet;
}

}  // namespace brivane::print
