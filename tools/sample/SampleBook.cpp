// Draws the bundled sample publication: a ten-page illustrated booklet whose
// pages are easy to tell apart at a glance (big page number, heading, one
// colour and one drawing per page), with an external and an internal link.

#include "tools/sample/PdfDrawing.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double WIDTH = 420;  // A5 portrait, in points
constexpr double HEIGHT = 595;
constexpr double PI = 3.14159265358979323846;

struct Colour {
    double r, g, b;
};

struct Page {
    const char* heading;
    const char* caption;
    Colour colour;
    std::function<void(cairo_t*, Colour)> draw;
};

void Fill(cairo_t* cr, Colour c) { cairo_set_source_rgb(cr, c.r, c.g, c.b); }

void Text(cairo_t* cr, const char* text, double x, double y, double size, bool bold = false) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, text);
}

void Waves(cairo_t* cr, Colour c) {
    for (int row = 0; row < 5; ++row) {
        Fill(cr, {c.r, c.g, c.b + 0.05 * row});
        cairo_new_path(cr);
        for (int i = 0; i < 340; i += 10) cairo_line_to(cr, 40 + i, 300 + row * 40 + 12 * std::sin(i / 25.0 + row));
        cairo_set_line_width(cr, 6);
        cairo_stroke(cr);
    }
}

void MoonAndEarth(cairo_t* cr, Colour c) {
    Fill(cr, {0.2, 0.4, 0.8});
    cairo_new_path(cr);
    cairo_arc(cr, 150, 380, 80, 0, 2 * PI);
    cairo_fill(cr);
    Fill(cr, c);
    cairo_new_path(cr);
    cairo_arc(cr, 320, 300, 30, 0, 2 * PI);
    cairo_fill(cr);
}

void Bars(cairo_t* cr, Colour c) {
    const double heights[] = {60, 140, 220, 140, 60, 100, 180, 100};
    for (int i = 0; i < 8; ++i) {
        Fill(cr, c);
        cairo_rectangle(cr, 50 + i * 40, 480 - heights[i], 28, heights[i]);
        cairo_fill(cr);
    }
}

void Table(cairo_t* cr, Colour c) {
    Fill(cr, c);
    cairo_set_line_width(cr, 2);
    for (int row = 0; row <= 6; ++row) {
        cairo_move_to(cr, 50, 250 + row * 35);
        cairo_line_to(cr, 370, 250 + row * 35);
    }
    for (int col = 0; col <= 4; ++col) {
        cairo_move_to(cr, 50 + col * 80, 250);
        cairo_line_to(cr, 50 + col * 80, 460);
    }
    cairo_stroke(cr);
    const char* times[] = {"04:12", "10:31", "16:40", "22:58", "1.2 m", "4.8 m", "0.9 m", "5.1 m"};
    for (int i = 0; i < 8; ++i) Text(cr, times[i], 60 + (i % 4) * 80, 275 + (i / 4) * 35, 14);
}

void Bricks(cairo_t* cr, Colour c) {
    for (int row = 0; row < 8; ++row) {
        for (int col = 0; col < 6; ++col) {
            Fill(cr, {c.r - 0.05 * (col % 2), c.g, c.b});
            cairo_rectangle(cr, 40 + col * 58 + (row % 2) * 29, 240 + row * 28, 54, 24);
            cairo_fill(cr);
        }
    }
}

void Lighthouse(cairo_t* cr, Colour c) {
    for (int band = 0; band < 6; ++band) {
        Fill(cr, band % 2 ? Colour{1, 1, 1} : c);
        const double top = 260 + band * 35, inset = band * 4;
        cairo_rectangle(cr, 180 - inset, top, 60 + 2 * inset, 35);
        cairo_fill(cr);
    }
    Fill(cr, {1.0, 0.85, 0.1});
    for (int ray = -2; ray <= 2; ++ray) {
        cairo_move_to(cr, 210, 240);
        cairo_line_to(cr, 210 + 170 * std::cos(ray * 0.2), 240 - 60 + 30 * ray);
        cairo_set_line_width(cr, 4);
        cairo_stroke(cr);
    }
}

void Boats(cairo_t* cr, Colour c) {
    for (int i = 0; i < 3; ++i) {
        const double x = 60 + i * 110, y = 420 - i * 50;
        Fill(cr, c);
        cairo_move_to(cr, x, y);
        cairo_line_to(cr, x + 90, y);
        cairo_line_to(cr, x + 70, y + 25);
        cairo_line_to(cr, x + 20, y + 25);
        cairo_close_path(cr);
        cairo_fill(cr);
        Fill(cr, {0.75, 0.72, 0.65});
        cairo_move_to(cr, x + 45, y - 80);
        cairo_line_to(cr, x + 45, y - 5);
        cairo_line_to(cr, x + 85, y - 5);
        cairo_close_path(cr);
        cairo_fill(cr);
    }
}

void Stars(cairo_t* cr, Colour c) {
    Fill(cr, c);
    for (int i = 0; i < 5; ++i) {
        const double cx = 80 + i * 65, cy = 320 + 40 * std::sin(i);
        cairo_new_path(cr);
        for (int k = 0; k < 10; ++k) {
            const double radius = k % 2 ? 10 : 25, angle = k * PI / 5 - PI / 2;
            cairo_line_to(cr, cx + radius * std::cos(angle), cy + radius * std::sin(angle));
        }
        cairo_close_path(cr);
        cairo_fill(cr);
    }
}

void Glossary(cairo_t* cr, Colour c) {
    Fill(cr, c);
    const char* lines[] = {"Ebb - the falling tide", "Flood - the rising tide", "Neap - the smallest range",
                           "Spring - the largest range", "Slack - still water at the turn"};
    for (int i = 0; i < 5; ++i) Text(cr, lines[i], 50, 260 + i * 34, 17);
}

void Anchor(cairo_t* cr, Colour c) {
    Fill(cr, c);
    cairo_set_line_width(cr, 12);
    cairo_new_path(cr);
    cairo_arc(cr, 210, 260, 20, 0, 2 * PI);
    cairo_stroke(cr);
    cairo_move_to(cr, 210, 280);
    cairo_line_to(cr, 210, 450);
    cairo_move_to(cr, 150, 320);
    cairo_line_to(cr, 270, 320);
    cairo_stroke(cr);
    cairo_new_path(cr);
    cairo_arc_negative(cr, 210, 380, 80, PI, 0);
    cairo_stroke(cr);
}

const std::vector<Page>& Pages() {
    static const std::vector<Page> pages = {
        {"Tides & Harbours", "A pocket guide to the sea's daily rhythm", {0.1, 0.3, 0.7}, Waves},
        {"Contents", "Turn to page 9 for the glossary", {0.3, 0.3, 0.3}, Stars},
        {"The Moon's Pull", "Two bulges of water follow the moon", {0.55, 0.55, 0.6}, MoonAndEarth},
        {"Spring and Neap", "Ranges grow and shrink twice a month", {0.1, 0.6, 0.3}, Bars},
        {"Reading a Tide Table", "High and low water, times and heights", {0.9, 0.5, 0.1}, Table},
        {"Harbour Walls", "Stone that takes the weight of the sea", {0.7, 0.25, 0.15}, Bricks},
        {"Lighthouses", "A light for every headland", {0.85, 0.1, 0.1}, Lighthouse},
        {"Boats at Anchor", "Swinging with the turning tide", {0.5, 0.2, 0.6}, Boats},
        {"Glossary", "Words of the waterfront", {0.0, 0.45, 0.5}, Glossary},
        {"Fair Winds", "brivane.example", {0.15, 0.15, 0.35}, Anchor},
    };
    return pages;
}

void DrawPage(cairo_t* cr, const Page& page, int number) {
    Fill(cr, {0.98, 0.97, 0.93});
    cairo_paint(cr);
    Fill(cr, page.colour);
    cairo_rectangle(cr, 0, 0, WIDTH, 24);
    cairo_fill(cr);

    const std::string dest = "name='page" + std::to_string(number) + "'";
    cairo_tag_begin(cr, CAIRO_TAG_DEST, dest.c_str());
    Fill(cr, {0.1, 0.1, 0.1});
    Text(cr, page.heading, 40, 90, 30, true);
    cairo_tag_end(cr, CAIRO_TAG_DEST);
    Text(cr, page.caption, 40, 125, 15);

    // The page number, big enough to read on a thumbnail.
    Fill(cr, page.colour);
    const std::string label = std::to_string(number);
    cairo_set_font_size(cr, 96);
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_text_extents_t extents;
    cairo_text_extents(cr, label.c_str(), &extents);
    Text(cr, label.c_str(), WIDTH - 30 - extents.x_advance, HEIGHT - 40, 96, true);

    page.draw(cr, page.colour);

    Fill(cr, {0.1, 0.1, 0.1});
    if (number == 2) {
        cairo_tag_begin(cr, CAIRO_TAG_LINK, "dest='page9'");
        Text(cr, "Glossary ... 9", 40, 180, 18, true);
        cairo_tag_end(cr, CAIRO_TAG_LINK);
    }
    if (number == 1 || number == 10) {
        cairo_tag_begin(cr, CAIRO_TAG_LINK, "uri='https://brivane.example/'");
        Text(cr, "https://brivane.example/", 40, HEIGHT - 60, 14);
        cairo_tag_end(cr, CAIRO_TAG_LINK);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const auto& pages = Pages();
    return WritePdf(argc, argv, "Tides & Harbours", WIDTH, HEIGHT, static_cast<int>(pages.size()),
                    [&pages](cairo_t* cr, int number) { DrawPage(cr, pages[number - 1], number); });
}
