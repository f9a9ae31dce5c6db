#include "web/ByteRange.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace brivane::web {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Digits only: from_chars alone would take a sign or stop early.
std::optional<std::uint64_t> Number(std::string_view text) {
    if (text.empty()) return std::nullopt;
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

ByteRange ByteRange::Of(const std::optional<std::string>& header, std::uint64_t size) {
    const ByteRange whole{Kind::Whole, 0, size};
    if (!header) return whole;
    std::string_view text = Trim(*header);
    constexpr std::string_view UNIT = "bytes=";
    if (text.size() < UNIT.size()) return whole;
    for (std::size_t i = 0; i < UNIT.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != UNIT[i]) return whole;
    text = Trim(text.substr(UNIT.size()));
    const auto dash = text.find('-');
    // Malformed headers and lists are ignored: the whole file is a valid answer
    // to both.
    if (dash == std::string_view::npos || text.find(',') != std::string_view::npos) return whole;
    const auto firstText = Trim(text.substr(0, dash));
    const auto lastText = Trim(text.substr(dash + 1));

    if (firstText.empty()) {
        // "-n": the last n bytes.
        const auto suffix = Number(lastText);
        if (!suffix) return whole;
        if (*suffix == 0 || size == 0) return {Kind::Unsatisfiable, 0, 0};
        const std::uint64_t length = *suffix < size ? *suffix : size;
        return {Kind::Part, size - length, length};
    }
    const auto first = Number(firstText);
    if (!first) return whole;
    std::uint64_t last = size == 0 ? 0 : size - 1;
    if (!lastText.empty()) {
        const auto asked = Number(lastText);
        if (!asked || *asked < *first) return whole;
        if (*asked < last) last = *asked;
    }
    if (*first >= size) return {Kind::Unsatisfiable, 0, 0};
    return {Kind::Part, *first, last - *first + 1};
}

}  // namespace brivane::web
