#pragma once

#include <gtk/gtk.h>

#include <string>

namespace brivane::print {

// Prints a PDF through the platform print dialog. One GtkPrintSettings is
// shared by the whole process so that choices carry over between prints.
class PdfPrinter {
public:
    // Does nothing (and reports nothing to the user) when uri is not an
    // address or holds no readable PDF. parent may be null.
    static void Print(GtkWindow* parent, const std::string& uri);
};

}  // namespace brivane::print
