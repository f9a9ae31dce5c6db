#include "web/WindowTitle.h"

#include "document/DecodeHTML.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <memory>

namespace brivane::web {

namespace {

constexpr const char* ELLIPSIS = "\xE2\x80\xA6";

// Never splits a UTF-8 sequence.
std::string PrefixBytes(const std::string& text, std::size_t bytes) {
    if (text.size() <= bytes) return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return text.substr(0, end);
}

}  // namespace

std::string WindowTitle::Capped(const std::string& utf8, std::size_t max) {
    if (max == 0) return {};
    if (utf8.size() <= max) return utf8;  // every character takes at least one byte
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(utf8);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    int32_t keep = 0;
    std::size_t count = 0;
    if (U_FAILURE(status) || !it) {
        // Without break rules, code points stand in for characters.
        if (static_cast<std::size_t>(text.countChar32()) <= max) return utf8;
        keep = text.moveIndex32(0, static_cast<int32_t>(max - 1));
    } else {
        it->setText(text);
        for (int32_t pos = it->next(); pos != icu::BreakIterator::DONE; pos = it->next()) {
            if (++count == max) {
                if (it->next() == icu::BreakIterator::DONE) return utf8;
                break;
            }
            keep = pos;
        }
        if (count < max) return utf8;
    }
    std::string out;
    text.tempSubString(0, keep).toUTF8String(out);
    return out + ELLIPSIS;
}

std::string WindowTitle::FromStored(const std::string& stored) {
    return Capped(document::decodeHTML(PrefixBytes(stored, MAX_STORED_BYTES)), MAX_GRAPHEMES);
}

}  // namespace brivane::web
