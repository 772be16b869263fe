// The printout, for a chosen folder /w holding Notes.TXT and one empty sub-folder /w/Old:
//
//   /W                      Arial bold 11 pt, RGB(192, 0, 0), x 300 (first line at y 300)
//       notes.txt           Arial bold 9 pt, RGB(0, 160, 0), x 600
//                           blank line
//   /W/OLD/                 11 pt, dark red, x 300
//                           blank line
//       ------...---        52 hyphens, black, x 600, the size in force
//       Folders: 1 \ Files: 1
#include "writers/print_writer.h"

#include "general/pause.h"
#include "general/shown_text.h"

#include <string>

namespace dorvantile {
namespace {

constexpr Rgb headingColour{192, 0, 0};
constexpr Rgb fileColour{0, 160, 0};
constexpr Rgb black{0, 0, 0};

class Printout final : public CatalogueSections {
public:
    explicit Printout(PrintSurface& surface) : surface_(surface) {}

    void heading(std::string_view folder, bool chosen) override {
        line_.clear();
        appendHeading(line_, folder, !chosen);
        if (!chosen) {
            surface_.FontSize(11);
            surface_.ForeColor(headingColour);
            surface_.CurrentX(300);
        }
        surface_.Print(line_);
    }

    void file(std::string_view, std::string_view name) override {
        surface_.FontSize(9);
        surface_.ForeColor(fileColour);
        surface_.CurrentX(600);
        line_.clear();
        appendFileName(line_, name);
        surface_.Print(line_);
    }

    void endSection() override { surface_.Print({}); }

private:
    PrintSurface& surface_;
    std::string line_;
};

} // namespace

void SaveToPrinter(const CatalogueSource& source, const Animation& animation, Printer& printer) {
    Pause(animation.loop, 0.2f);
    ShowProgress(animation.bar, animation.loop);

    const std::unique_ptr<PrintSurface> surface = printer.startJob();
    surface->setCopies(1);
    surface->setOrientation(1);
    surface->FontName("Arial");
    surface->FontBold(true);
    surface->FontSize(11);
    surface->ForeColor(headingColour);
    surface->CurrentX(300);
    surface->CurrentY(300);

    Printout printout(*surface);
    const Progress totals = WalkCatalogue(source, printout);
    surface->ForeColor(black);
    surface->CurrentX(600);
    surface->Print(std::string(52, '-'));
    surface->CurrentX(600);
    surface->Print("Folders: " + std::to_string(totals.folders) +
                   " \\ Files: " + std::to_string(totals.files));
    surface->EndDoc();
}

} // namespace dorvantile
