#pragma once

#include <optional>
#include <string>

namespace brivane::web {

// The pages' texts in the program's language: a JSON catalogue per language
// (<share>/brivane-reader/locale/<lang>.json) that a script hands to each page
// before the page's own scripts run. The language is the one gettext chose for
// the program's own catalogue, so pages and menus never disagree.
class PageStrings {
public:
    static std::string Directory();

    // The "Language" field of a catalogue header; absent when there is none.
    static std::optional<std::string> LanguageOfHeader(const std::string& header);
    // The script that sets window.brivaneStrings from a catalogue's text;
    // absent when the text is not a JSON object with a "messages" object.
    static std::optional<std::string> ScriptFor(const std::string& catalogueText);
    // The script for the language in use; empty for English or when the
    // language has no page catalogue.
    static std::string Script(const std::string& directory = Directory());
};

}  // namespace brivane::web
