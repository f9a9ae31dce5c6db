#pragma once

// PDFs of plain coloured pages, for the printing and thumbnail tests.

#include <cairo-pdf.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace brivane::test {

using Rgb = std::array<double, 3>;

struct ColourPage {
    double width, height;
    Rgb left, right;
};

// Writes a PDF to path and returns path. Each page paints its left and right
// halves, across the middle half of its height, in their own colours, and
// leaves the rest unpainted.
inline std::string ColourPdf(const std::string& path, const std::vector<ColourPage>& pages) {
    cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), pages[0].width, pages[0].height);
    cairo_t* cr = cairo_create(surface);
    for (const auto& [w, h, left, right] : pages) {
        cairo_pdf_surface_set_size(surface, w, h);
        for (const auto& [x, c] : {std::pair{0.0, left}, std::pair{w / 2, right}}) {
            cairo_set_source_rgb(cr, c[0], c[1], c[2]);
            cairo_rectangle(cr, x, h / 4, w / 2, h / 2);
            cairo_fill(cr);
        }
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return path;
}

}  // namespace brivane::test
