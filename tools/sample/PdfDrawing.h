#pragma once

#include <cairo-pdf.h>
#include <cairo.h>

#include <cstdio>
#include <functional>

// The drawing tools' shared main: usage, a reproducible file, the exit code.
// drawPage gets 1-based page numbers.
inline int WritePdf(int argc, char** argv, const char* title, double width, double height, int pages,
                    const std::function<void(cairo_t*, int)>& drawPage) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.pdf\n", argv[0]);
        return 2;
    }
    cairo_surface_t* surface = cairo_pdf_surface_create(argv[1], width, height);
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_TITLE, title);
    // A fixed date keeps the file, and so its fingerprint, reproducible.
    cairo_pdf_surface_set_metadata(surface, CAIRO_PDF_METADATA_CREATE_DATE, "2024-01-01T00:00:00Z");
    cairo_t* cr = cairo_create(surface);
    for (int number = 1; number <= pages; ++number) {
        drawPage(cr, number);
        cairo_show_page(cr);
    }
    cairo_destroy(cr);
    cairo_surface_finish(surface);
    const bool ok = cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    if (!ok) std::fprintf(stderr, "cannot write %s\n", argv[1]);
    return ok ? 0 : 1;
}
