#pragma once

#include <optional>
#include <vector>

namespace brivane::print {

// What the print dialog's "Current page" prints: the page on screen, or both
// pages of a spread side by side on one sheet, placed as the screen shows
// them (a right-to-left book's later page on the left). GTK prints a single
// sheet for the current page, so a spread cannot take two.
struct CurrentSheet {
    int pageIndex = 0;       // the sheet GTK calls current: the earlier page shown, from 0
    std::vector<int> pages;  // from 0, left to right on the sheet

    // shown: the pages on screen, from 1, left to right. Absent when they are
    // no view of a document of pageCount pages: none, out of range, more than
    // two, or two that are not neighbours.
    static std::optional<CurrentSheet> From(const std::vector<int>& shown, int pageCount);
};

}  // namespace brivane::print
