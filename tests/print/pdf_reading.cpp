#include "pdf_reading.h"

#include "private_cups.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace dorvantile::testing {
namespace {

std::string poppler(const std::string& tool, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), findProgram(tool));
    if (arguments[0].empty())
        throw std::runtime_error(tool + " is not installed (Debian: poppler-utils)");
    const Ran ran = runProgram(arguments, {"PATH=/usr/local/bin:/usr/bin:/bin", "LANG=C.UTF-8"});
    if (ran.status != 0)
        throw std::runtime_error(tool + " failed: " + ran.err);
    return ran.out;
}

} // namespace

std::vector<PrintedPage> pdfPages(const std::string& file) {
    static const std::regex pageTag(R"re(<page width="[0-9.]+" height="([0-9.]+)">)re");
    static const std::regex wordTag(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" )re"
                                    R"re(xMax="[0-9.]+" yMax="([0-9.]+)">(.*)</word>)re");
    std::vector<PrintedPage> pages;
    std::istringstream in(poppler("pdftotext", {"-bbox", file, "-"}));
    for (std::string tag; std::getline(in, tag);) {
        std::smatch match;
        if (std::regex_search(tag, match, pageTag)) {
            pages.push_back({std::stod(match[1]), {}});
        } else if (std::regex_search(tag, match, wordTag) && !pages.empty()) {
            const double top = std::stod(match[2]);
            std::vector<PrintedLine>& lines = pages.back().lines;
            // Words of one line share their top.
            if (!lines.empty() && std::abs(lines.back().top - top) < 0.01)
                lines.back().text += " " + match.str(4);
            else
                lines.push_back({match.str(4), std::stod(match[1]), top, std::stod(match[3])});
        }
    }
    return pages;
}

std::vector<std::string> pdfFonts(const std::string& file) {
    // A font's row ends in its columns emb, sub, uni, object and ID.
    static const std::regex row(
        R"re((?:[A-Z]{6}\+)?(\S+) .* (yes|no) +(yes|no) +(yes|no) +\d+ +\d+ *)re");
    std::vector<std::string> fonts;
    std::istringstream in(poppler("pdffonts", {file}));
    for (std::string line; std::getline(in, line);) {
        if (std::smatch match; std::regex_match(line, match, row))
            fonts.push_back(match.str(1) + " " + match.str(2));
    }
    return fonts;
}

RenderedPage::RenderedPage(const std::string& file) {
    const TempTree folder;
    poppler("pdftoppm", {"-r", std::to_string(dpi), "-singlefile", file, folder.path("page")});
    std::ifstream in(folder.path("page.ppm"), std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get(); // the one blank after the header
    rgb.resize(std::size_t(width) * std::size_t(height) * 3);
    if (magic != "P6" || maximum != 255 ||
        !in.read(reinterpret_cast<char*>(rgb.data()), std::streamsize(rgb.size())))
        throw std::runtime_error("pdftoppm wrote no whole 8-bit PPM picture");
}

int RenderedPage::count(const PrintedLine& box, Pixel colour, int tolerance) const {
    const double scale = dpi / 72.0;
    // The box is the font's: the line's right end is not known, so take the page's width.
    const int x0 = std::clamp(int(box.left * scale), 0, width);
    const int y0 = std::clamp(int(box.top * scale), 0, height);
    const int y1 = std::clamp(int(std::ceil(box.bottom * scale)), 0, height);
    int found = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < width; ++x) {
            const unsigned char* p = &rgb[(std::size_t(y) * std::size_t(width) + x) * 3];
            found += std::abs(p[0] - colour[0]) <= tolerance &&
                     std::abs(p[1] - colour[1]) <= tolerance &&
                     std::abs(p[2] - colour[2]) <= tolerance;
        }
    }
    return found;
}

} // namespace dorvantile::testing
