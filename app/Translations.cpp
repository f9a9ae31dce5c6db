#include "app/Translations.h"

#include "document/DataDirectory.h"

#include <glib/gi18n-lib.h>  // for GETTEXT_PACKAGE

#include <clocale>
#include <filesystem>

namespace brivane::app {

std::string Translations::LocaleDirectory() {
    // The data directory is <share>/brivane-reader/data.
    return (std::filesystem::path(document::DataDirectory::Path()).parent_path().parent_path() / "locale").string();
}

void Translations::Bind(const std::string& localeDirectory) {
    std::setlocale(LC_ALL, "");
    bindtextdomain(GETTEXT_PACKAGE, localeDirectory.c_str());
    bind_textdomain_codeset(GETTEXT_PACKAGE, "UTF-8");
    textdomain(GETTEXT_PACKAGE);
}

}  // namespace brivane::app
