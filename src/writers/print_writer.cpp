// The printout, for a chosen folder /w holding Notes.TXT and one empty sub-folder /w/Old:
//
//   /W                      Arial bold 11 pt, RGB(192, 0, 0), x 300 (first line at y 300)
//       notes.txt           Arial bold 9 pt, RGB(0, 160, 0), x 600
//                           blank line
//   /W/OLD/                 11 pt, dark red, x 300
//                           blank line
//       ------...---        52 hyphens, black, x 600, the size in force
//       Folders: 1 \ Files: 1
//
// A heading or a name too wide for the page goes on over as many lines as it needs, each
// indented by a further 300 twips, so that no character is lost; a line that fits prints as
// it always did.
#include "general/shown_text.h"
#include "platform/utf8.h"
#include "writers/writers.h"

#include <algorithm>

namespace dorvantile {
namespace {

constexpr Rgb headingColour{192, 0, 0};
constexpr Rgb fileColour{0, 160, 0};
constexpr Rgb black{0, 0, 0};
// How much further each line a too wide text goes on over is indented.
constexpr float continuedIndent = 300;

class PrintedCatalogue final : public SectionSink {
public:
    explicit PrintedCatalogue(PrintSurface& surface) : surface_(surface) {
        surface_.setCopies(1);
        surface_.setOrientation(1);
        surface_.FontName("Arial");
        surface_.FontBold(true);
        surface_.FontSize(11);
        surface_.ForeColor(headingColour);
        surface_.CurrentX(300);
        surface_.CurrentY(300);
    }

private:
    void heading(std::string_view folder, bool chosen) override {
        line_.clear();
        appendHeading(line_, folder, !chosen);
        if (!chosen) {
            surface_.FontSize(11);
            surface_.ForeColor(headingColour);
            surface_.CurrentX(300);
        }
        printWrapped(line_, 300);
    }

    void file(std::string_view, std::string_view name) override {
        surface_.FontSize(9);
        surface_.ForeColor(fileColour);
        surface_.CurrentX(600);
        line_.clear();
        appendFileName(line_, name);
        printWrapped(line_, 600);
    }

    void endSection() override { surface_.Print({}); }

    void end(const Totals& totals) override {
        surface_.ForeColor(black);
        surface_.CurrentX(600);
        surface_.Print(std::string(52, '-'));
        surface_.CurrentX(600);
        surface_.Print("Folders: " + std::to_string(totals.folders) +
                       " \\ Files: " + std::to_string(totals.files));
        surface_.EndDoc();
    }

    /// Prints `text` from `x` (where the position is already set); what does not fit on the
    /// line goes on over the next ones, indented further, a whole character at a time.
    void printWrapped(std::string_view text, float x) {
        const float width = surface_.ScaleWidth();
        while (x + surface_.TextWidth(text) > width) {
            // The most characters that fit, at least one, so that every line moves on.
            std::size_t fits = decodeUtf8(text, 0).length;
            for (std::size_t next = fits; next < text.size();) {
                next += decodeUtf8(text, next).length;
                if (x + surface_.TextWidth(text.substr(0, next)) > width)
                    break;
                fits = next;
            }
            if (fits >= text.size())
                break;
            surface_.Print(text.substr(0, fits));
            text.remove_prefix(fits);
            x = std::min(x + continuedIndent, width / 2);
            surface_.CurrentX(x);
        }
        surface_.Print(text);
    }

    PrintSurface& surface_;
    std::string line_;
};

} // namespace

Writer printedCatalogue(const WriterTarget& target) {
    return std::make_unique<PrintedCatalogue>(*target.printout);
}

} // namespace dorvantile
