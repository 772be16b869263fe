// What a printed job holds, read back with poppler's tools: text, positions, fonts, pixels.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace dorvantile::testing {

/// One line of printed text: its words joined by single blanks (as pdftotext's XML has them,
/// "&", "<" and ">" escaped), and its box in points from the page's top-left corner (the box
/// of the font: top is the line's top, not the ink's).
struct PrintedLine {
    std::string text;
    double left = 0, top = 0, bottom = 0;
};

struct PrintedPage {
    double height = 0;
    std::vector<PrintedLine> lines;
};

/// The pages with their lines, from `pdftotext -bbox`.
std::vector<PrintedPage> pdfPages(const std::string& file);

/// The fonts that `pdffonts` lists, each as its name without the subset prefix ("ABCDEF+"),
/// a blank, and "yes" when it is embedded or "no".
std::vector<std::string> pdfFonts(const std::string& file);

using Pixel = std::array<int, 3>; // red, green, blue

/// The first page rendered by `pdftoppm`, 8-bit RGB.
struct RenderedPage {
    static constexpr int dpi = 150;
    explicit RenderedPage(const std::string& file);

    /// How many pixels inside the box (in points) are within `tolerance` of `colour` in each
    /// component.
    int count(const PrintedLine& box, Pixel colour, int tolerance) const;

    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

} // namespace dorvantile::testing
