#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace brivane::web {

// Cuts printed page text into the sentences read aloud one by one.
class SentenceSplitter {
public:
    struct Sentence {
        std::string text;  // line breaks read as blanks, trimmed
        // Where it lies in the page's text, in UTF-16 code units as the page counts.
        std::size_t from = 0;
        std::size_t to = 0;
        bool operator==(const Sentence&) const = default;
    };

    // locale: which language's rules decide what ends a sentence ("en", "de").
    static std::vector<Sentence> Split(std::string_view utf8, const std::string& locale = "en");
};

}  // namespace brivane::web
