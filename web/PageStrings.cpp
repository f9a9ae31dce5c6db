#include "web/PageStrings.h"

#include "document/DataDirectory.h"

#include <glib/gi18n-lib.h>  // for GETTEXT_PACKAGE
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace brivane::web {

std::string PageStrings::Directory() {
    return (std::filesystem::path(document::DataDirectory::Path()).parent_path() / "locale").string();
}

std::optional<std::string> PageStrings::LanguageOfHeader(const std::string& header) {
    std::istringstream lines(header);
    for (std::string line; std::getline(lines, line);) {
        static constexpr std::string_view FIELD = "Language:";
        if (line.compare(0, FIELD.size(), FIELD) != 0) continue;
        const auto begin = line.find_first_not_of(' ', FIELD.size());
        const auto end = line.find_last_not_of(" \r");
        if (begin == std::string::npos || end < begin) return std::nullopt;
        std::string language = line.substr(begin, end - begin + 1);
        // It names a file: letters, digits, '_' and '@' only (de, pt_BR, sr@latin).
        for (const char c : language)
            if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '@')) return std::nullopt;
        return language;
    }
    return std::nullopt;
}

std::optional<std::string> PageStrings::ScriptFor(const std::string& catalogueText) {
    const auto catalogue = nlohmann::json::parse(catalogueText, nullptr, false);
    if (!catalogue.is_object() || !catalogue.contains("messages") || !catalogue["messages"].is_object())
        return std::nullopt;
    // Written anew rather than pasted: the script holds nothing but this value.
    return "window.brivaneStrings = Object.freeze(" + catalogue.dump(-1, ' ', true) + ");";
}

std::string PageStrings::Script(const std::string& directory) {
    // gettext answers the empty text with the header of the catalogue it uses.
    const std::string header = g_dgettext(GETTEXT_PACKAGE, "");
    const auto language = header.empty() ? std::nullopt : LanguageOfHeader(header);
    if (!language) return {};
    std::ifstream file(std::filesystem::path(directory) / (*language + ".json"), std::ios::binary);
    if (!file) return {};
    std::ostringstream text;
    text << file.rdbuf();
    return ScriptFor(text.str()).value_or(std::string());
}

}  // namespace brivane::web
