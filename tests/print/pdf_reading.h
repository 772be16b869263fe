// What a printed job holds, read back with poppler's tools: text, positions, fonts, pixels.
#pragma once

#include <string>
#include <vector>

namespace dorvantile::testing {

/// One line of printed text: its words joined by single blanks, and its box in points from
/// the page's top-left corner (the box of the font: top is the line's top, not the ink's).
struct PrintedLine {
    std::string text;
    double left = 0;
    double top = 0;
    double bottom = 0;
};

struct PrintedPage {
    double width = 0;
    double height = 0;
    std::vector<PrintedLine> lines;
};

/// The text of every page as `pdftotext -layout` lays it out, pages separated by form feeds.
std::string pdfLayoutText(const std::string& file);

/// The pages with their lines, from `pdftotext -bbox`.
std::vector<PrintedPage> pdfPages(const std::string& file);

struct PdfFont {
    std::string name; ///< without the subset prefix ("ABCDEF+")
    bool embedded = false;
};

/// The fonts that `pdffonts` lists.
std::vector<PdfFont> pdfFonts(const std::string& file);

struct Pixel {
    int red = 0;
    int green = 0;
    int blue = 0;
};

/// One page rendered by `pdftoppm` at `dpi`.
class RenderedPage {
public:
    RenderedPage(const std::string& file, int page, int dpi);

    int dpi() const { return dpi_; }
    /// How many pixels inside the box (in points) are within `tolerance` of `colour` in each
    /// component.
    int count(const PrintedLine& box, Pixel colour, int tolerance) const;

private:
    int dpi_;
    int width_ = 0;
    int height_ = 0;
    std::vector<unsigned char> rgb_;
};

} // namespace dorvantile::testing
