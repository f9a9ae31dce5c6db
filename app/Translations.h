#pragma once

#include <string>

namespace brivane::app {

// The program's texts in the session's language (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG), from the catalogues beside the program.
class Translations {
public:
    // <exe dir>/../share/locale: the same relative place in the build tree and
    // in an installed prefix.
    static std::string LocaleDirectory();
    // Takes the language from the environment and binds the catalogue; call
    // before the first translated text is looked up.
    static void Bind(const std::string& localeDirectory = LocaleDirectory());
};

}  // namespace brivane::app
