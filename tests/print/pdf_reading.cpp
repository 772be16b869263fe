#include "pdf_reading.h"

#include "private_cups.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <stdexcept>

namespace dorvantile::testing {
namespace {

const std::vector<std::string> plainEnvironment{"PATH=/usr/local/bin:/usr/bin:/bin",
                                                "LANG=C.UTF-8"};

std::string poppler(const std::string& tool, std::vector<std::string> arguments) {
    const std::string program = findProgram(tool);
    if (program.empty())
        throw std::runtime_error(tool + " is not installed (Debian: poppler-utils)");
    arguments.insert(arguments.begin(), program);
    const Ran ran = runProgram(arguments, plainEnvironment);
    if (ran.status != 0)
        throw std::runtime_error(tool + " failed: " + ran.err);
    return ran.out;
}

std::string unescape(std::string text) {
    static const std::pair<const char*, const char*> entities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, character] : entities) {
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1))
            text.replace(at, std::string_view(entity).size(), character);
    }
    return text;
}

} // namespace

std::string pdfLayoutText(const std::string& file) {
    return poppler("pdftotext", {"-layout", file, "-"});
}

std::vector<PrintedPage> pdfPages(const std::string& file) {
    static const std::regex pageTag(R"re(<page width="([0-9.]+)" height="([0-9.]+)">)re");
    static const std::regex wordTag(R"re(<word xMin="([0-9.]+)" yMin="([0-9.]+)" )re"
                                    R"re(xMax="[0-9.]+" yMax="([0-9.]+)">(.*)</word>)re");
    std::vector<PrintedPage> pages;
    std::istringstream in(poppler("pdftotext", {"-bbox", file, "-"}));
    for (std::string tag; std::getline(in, tag);) {
        std::smatch match;
        if (std::regex_search(tag, match, pageTag)) {
            pages.push_back({std::stod(match[1]), std::stod(match[2]), {}});
        } else if (std::regex_search(tag, match, wordTag) && !pages.empty()) {
            const double left = std::stod(match[1]);
            const double top = std::stod(match[2]);
            const double bottom = std::stod(match[3]);
            std::vector<PrintedLine>& lines = pages.back().lines;
            // Words of one line share their top.
            if (!lines.empty() && std::abs(lines.back().top - top) < 0.01)
                lines.back().text += " " + unescape(match[4]);
            else
                lines.push_back({unescape(match[4]), left, top, bottom});
        }
    }
    return pages;
}

std::vector<PdfFont> pdfFonts(const std::string& file) {
    std::vector<PdfFont> fonts;
    std::istringstream in(poppler("pdffonts", {file}));
    std::string line;
    std::getline(in, line); // the column names
    std::getline(in, line); // the rule under them
    while (std::getline(in, line)) {
        std::istringstream columns(line);
        std::vector<std::string> words{std::istream_iterator<std::string>(columns), {}};
        if (words.size() < 7)
            continue;
        std::string name = words[0];
        if (const std::size_t plus = name.find('+'); plus == 6)
            name.erase(0, plus + 1);
        // The columns from the right: emb sub uni object ID.
        fonts.push_back({name, words[words.size() - 5] == "yes"});
    }
    return fonts;
}

RenderedPage::RenderedPage(const std::string& file, int page, int dpi) : dpi_(dpi) {
    TempFolder folder;
    const std::string number = std::to_string(page);
    poppler("pdftoppm", {"-r", std::to_string(dpi), "-f", number, "-l", number, "-singlefile", file,
                         folder.path("page")});
    std::ifstream in(folder.path("page.ppm"), std::ios::binary);
    std::string magic;
    int maximum = 0;
    in >> magic >> width_ >> height_ >> maximum;
    in.get(); // the one blank after the header
    if (magic != "P6" || maximum != 255 || width_ <= 0 || height_ <= 0)
        throw std::runtime_error("pdftoppm wrote no 8-bit PPM picture");
    rgb_.resize(std::size_t(width_) * std::size_t(height_) * 3);
    in.read(reinterpret_cast<char*>(rgb_.data()), std::streamsize(rgb_.size()));
    if (!in)
        throw std::runtime_error("pdftoppm's picture is cut short");
}

int RenderedPage::count(const PrintedLine& box, Pixel colour, int tolerance) const {
    const double scale = dpi_ / 72.0;
    // The box is the font's: the line's right end is not known, so take the page's width.
    const int x0 = std::clamp(int(box.left * scale), 0, width_);
    const int y0 = std::clamp(int(box.top * scale), 0, height_);
    const int y1 = std::clamp(int(std::ceil(box.bottom * scale)), 0, height_);
    int found = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < width_; ++x) {
            const unsigned char* p = &rgb_[(std::size_t(y) * std::size_t(width_) + x) * 3];
            if (std::abs(p[0] - colour.red) <= tolerance &&
                std::abs(p[1] - colour.green) <= tolerance &&
                std::abs(p[2] - colour.blue) <= tolerance)
                ++found;
        }
    }
    return found;
}

} // namespace dorvantile::testing
