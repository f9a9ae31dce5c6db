// Draws a book of running text with a real font, for reading, finding and
// copying: twelve pages of prose in which "copper lantern" first appears on
// page 9 (four times in all, once across a line break and once in capitals),
// "lighthouse" is hyphenated over two lines on page 5 and page 3 holds
// accented words.

#include "tools/sample/PdfDrawing.h"

#include <cairo.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr double WIDTH = 420;  // A5 portrait, in points
constexpr double HEIGHT = 595;
constexpr int PAGES = 12;
constexpr int LINES = 22;
constexpr double LEFT = 48;
constexpr double FIRST_LINE = 130;
constexpr double LINE_HEIGHT = 18;
constexpr double BODY_SIZE = 12;

// Filler prose; none of its words is one the tests look for.
const char* const WORDS[] = {"the",     "tide",    "rose",   "over",  "grey",    "stones", "while",     "gulls",
                             "wheeled", "above",   "quiet",  "boats", "and",     "nets",   "dried",     "in",
                             "pale",    "morning", "wind",   "along", "harbour", "wall",   "where",     "old",
                             "ropes",   "creaked", "softly", "near",  "sheds",   "of",     "weathered", "timber"};

std::string FillerLine(int page, int line) {
    std::string text;
    const int count = sizeof(WORDS) / sizeof(WORDS[0]);
    for (int k = 0; k < 7; ++k) {
        if (k) text += ' ';
        text += WORDS[(page * 7 + line * 5 + k * 3) % count];
    }
    return text;
}

// Lines that replace filler: page -> line -> text.
const std::map<int, std::map<int, std::string>> SPECIAL = {
    {3, {{4, "At the Café Señor in Zürich we ate"}, {5, "crème brûlée by the quay."}}},
    {5, {{6, "Out past the breakwater the old light-"}, {7, "house stood on its rocks in the spray."}}},
    {9, {{10, "Then she lit the copper lantern and waited."}}},
    {10,
     {{3, "On the table beside the copper"},
      {4, "lantern the chart lay open at the reef."},
      {12, "A copper lantern hung by the door."}}},
    {12, {{5, "Nobody forgot the COPPER LANTERN that night."}}},
};

void Text(cairo_t* cr, const std::string& text, double x, double y, double size, bool bold = false) {
    cairo_select_font_face(cr, "DejaVu Serif", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text.c_str());
}

void DrawPage(cairo_t* cr, int number) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0.1, 0.1, 0.12);
    if (number == 1) {
        Text(cr, "Harbour Notes", LEFT, 80, 28, true);
    } else {
        Text(cr, "Chapter " + std::to_string(number - 1), LEFT, 80, 22, true);
    }
    const auto special = SPECIAL.find(number);
    for (int line = 0; line < LINES; ++line) {
        std::string text = FillerLine(number, line);
        if (special != SPECIAL.end()) {
            if (const auto it = special->second.find(line); it != special->second.end()) text = it->second;
        }
        Text(cr, text, LEFT, FIRST_LINE + line * LINE_HEIGHT, BODY_SIZE);
    }
    cairo_set_source_rgb(cr, 0.45, 0.45, 0.5);
    Text(cr, std::to_string(number), WIDTH / 2 - 4, HEIGHT - 30, 10);
}

}  // namespace

int main(int argc, char** argv) { return WritePdf(argc, argv, "Harbour Notes", WIDTH, HEIGHT, PAGES, DrawPage); }
