#pragma once

#include <gtk/gtk.h>
#include <poppler.h>

#include <string>
#include <vector>

#include "base/GObjectPtr.h"

namespace brivane::print {

// The parts of printing a PDF that need no dialog: reading the document and
// an operation that draws its pages.
class PdfPrintJob {
public:
    // The PDF behind an absolute file address; null for anything else (other
    // schemes, text that is no address, a file that is not a readable PDF).
    static RefPtr<PopplerDocument> Load(const std::string& uri);

    // An operation for every page of the document, each fitted to the
    // printable area and never rotated. The operation keeps the document.
    // shownPages (from 1, left to right) are on screen: the dialog offers
    // them as the current page, a spread of two on one sheet.
    static RefPtr<GtkPrintOperation> NewOperation(PopplerDocument* document, const std::string& jobName,
                                                  const std::vector<int>& shownPages = {});
};

}  // namespace brivane::print
