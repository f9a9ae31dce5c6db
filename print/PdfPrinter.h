#pragma once

#include <gtk/gtk.h>

#include <string>
#include <vector>

namespace brivane::print {

// Prints a PDF through the platform print dialog. One GtkPrintSettings is
// shared by the whole process so that choices carry over between prints.
class PdfPrinter {
public:
    // Does nothing (and reports nothing to the user) when uri is not an
    // address or holds no readable PDF. parent may be null. shownPages: what
    // the reader shows, for the dialog's "Current page" (from 1, left to right).
    static void Print(GtkWindow* parent, const std::string& uri, const std::vector<int>& shownPages = {});
};

}  // namespace brivane::print
