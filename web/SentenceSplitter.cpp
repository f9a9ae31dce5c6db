#include "web/SentenceSplitter.h"

#include "base/Utf8.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

namespace brivane::web {

namespace {
bool Blank(char16_t c) { return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t' || c == u'\u00A0' || c == u'\f'; }

// A page number alone or a rule of dashes is not worth a sentence of its own.
bool Speakable(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1))
        if (u_isalpha(text.char32At(i))) return true;
    return false;
}
}  // namespace

std::vector<SentenceSplitter::Sentence> SentenceSplitter::Split(std::string_view utf8, const std::string& locale) {
    const std::string valid = DecodeUtf8Lossy(utf8);
    auto text = icu::UnicodeString::fromUTF8(icu::StringPiece(valid.data(), static_cast<int32_t>(valid.size())));
    // A PDF breaks lines where the page ends them, mid-sentence: only the
    // sentence's own end counts. A blank for a break keeps every offset.
    for (int32_t i = 0; i < text.length(); ++i)
        if (text[i] == u'\n' || text[i] == u'\r') text.setCharAt(i, u' ');
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> breaks(
        // "Mr." and "e.g." end no sentence: the language's list of abbreviations.
        icu::BreakIterator::createSentenceInstance(icu::Locale((locale + "@ss=standard").c_str()), status));
    std::vector<Sentence> sentences;
    if (U_FAILURE(status) || !breaks) return sentences;
    breaks->setText(text);
    int32_t start = breaks->first();
    for (int32_t end = breaks->next(); end != icu::BreakIterator::DONE; start = end, end = breaks->next()) {
        int32_t from = start;
        int32_t to = end;
        while (from < to && Blank(text[from])) ++from;
        while (to > from && Blank(text[to - 1])) --to;
        icu::UnicodeString piece(text, from, to - from);
        if (!Speakable(piece)) continue;
        for (int32_t i = 0; i < piece.length(); ++i)
            if (piece[i] == u'\t' || piece[i] == u'\f') piece.setCharAt(i, u' ');
        Sentence sentence;
        piece.toUTF8String(sentence.text);
        sentence.from = static_cast<std::size_t>(from);
        sentence.to = static_cast<std::size_t>(to);
        sentences.push_back(std::move(sentence));
    }
    return sentences;
}

}  // namespace brivane::web
