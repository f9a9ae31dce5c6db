#include "web/SentenceSplitter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brivane::web {
namespace {

using Sentence = SentenceSplitter::Sentence;

// A PDF's lines end mid-sentence; abbreviations and numbers have dots; the
// page counts offsets in UTF-16, so a wrong count marks the wrong words.
TEST(SentenceSplitterTest, SplitsPrintedTextIntoSentencesWithPageOffsets) {
    const struct {
        std::string text;
        std::vector<Sentence> want;
    } cases[] = {
        {"The lamp was\nlit at dusk.\nThen it went\nout.",
         {{"The lamp was lit at dusk.", 0, 25}, {"Then it went out.", 26, 43}}},
        {"  Mr. Smith paid 3.50 dollars! Did he?  ", {{"Mr. Smith paid 3.50 dollars!", 2, 30}, {"Did he?", 31, 38}}},
        // é is one UTF-16 unit and two bytes; 𝄞 is two units and four bytes.
        {"Café au lait. 𝄞 Music.", {{"Café au lait.", 0, 13}, {"𝄞 Music.", 14, 23}}},
        {"12\n— · —\n", {}},
        {"", {}},
        {"No end mark", {{"No end mark", 0, 11}}},
        {"Bad \xFF byte. Next.", {{"Bad \xEF\xBF\xBD byte.", 0, 11}, {"Next.", 12, 17}}},  // a replacement, not a stop
    };
    for (const auto& c : cases) EXPECT_EQ(SentenceSplitter::Split(c.text), c.want) << c.text;
}

}  // namespace
}  // namespace brivane::web
