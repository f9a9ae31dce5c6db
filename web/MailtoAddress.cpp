#include "web/MailtoAddress.h"

#include <glib.h>

#include <algorithm>
#include <string_view>

namespace brivane::web {

namespace {

// Decoded until nothing changes, so "%2561ttach" cannot pass as something else.
std::string HeaderName(std::string_view header) {
    std::string name(header.substr(0, header.find('=')));
    for (int round = 0; round < 4; ++round) {
        char* decoded = g_uri_unescape_string(name.c_str(), nullptr);
        if (!decoded) break;  // a malformed escape: judged as written
        const bool same = name == decoded;
        name = decoded;
        g_free(decoded);
        if (same) break;
    }
    std::string folded;
    for (unsigned char c : name)
        if (!g_ascii_isspace(c) && c != '\0') folded += static_cast<char>(g_ascii_tolower(c));
    return folded;
}

}  // namespace

std::string MailtoAddress::WithoutAttachments(const std::string& mailto) {
    const std::size_t query = mailto.find('?');
    if (query == std::string::npos) return mailto;
    const std::size_t fragment = mailto.find('#', query);
    const std::string_view headers = std::string_view(mailto).substr(
        query + 1, fragment == std::string::npos ? std::string::npos : fragment - query - 1);

    // Some mail programs also split headers at ";": judge those pieces too,
    // and keep each kept piece's own separator.
    std::string kept;
    std::size_t from = 0;
    char separator = '\0';
    while (from <= headers.size()) {
        std::size_t end = headers.find_first_of("&;", from);
        if (end == std::string_view::npos) end = headers.size();
        const std::string_view header = headers.substr(from, end - from);
        if (!header.empty() && !HeaderName(header).starts_with("attach")) {
            if (!kept.empty()) kept += separator == ';' ? ';' : '&';
            kept += header;
        }
        if (end < headers.size()) separator = headers[end];
        from = end + 1;
    }
    std::string result = mailto.substr(0, query);
    if (!kept.empty()) result += "?" + kept;
    if (fragment != std::string::npos) result += mailto.substr(fragment);
    return result;
}

}  // namespace brivane::web
