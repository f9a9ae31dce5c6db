#include "base/GraphemeCount.h"

#include <unicode/brkiter.h>
#include <unicode/locid.h>
#include <unicode/utext.h>

#include <cstdint>
#include <memory>

namespace brivane {

std::size_t CountGraphemes(std::string_view utf8) {
    // Read in place: no UTF-16 copy, and no narrowing of the length. Callers
    // bound the text (break positions are 32-bit).
    UErrorCode status = U_ZERO_ERROR;
    icu::LocalUTextPointer text(utext_openUTF8(nullptr, utf8.data(), static_cast<int64_t>(utf8.size()), &status));
    // One iterator per call: nothing shared between threads.
    std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
    if (U_SUCCESS(status) && it) it->setText(text.getAlias(), status);
    if (U_FAILURE(status) || !it) {
        std::size_t codePoints = 0;
        for (const char c : utf8) codePoints += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return codePoints;
    }
    std::size_t count = 0;
    for (int32_t pos = it->next(); pos != icu::BreakIterator::DONE; pos = it->next()) ++count;
    return count;
}

}  // namespace brivane
