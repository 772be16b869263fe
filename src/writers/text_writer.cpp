// The text catalogue, each line ended by CR LF. For a chosen folder /d holding Report.DOC
// and notes.txt, with sub-folders /d/Old (holding A.TXT) and /d/Empty:
//
//   /D
//       report.doc
//       notes.txt
//
//   /D/OLD/
//       a.txt
//
//   /D/EMPTY/
//
//    ----------------------------------------------------
//    Folders: 2 \ Files: 3
//
// Control characters in names and paths are shown as "?", so every entry stays one line.
#include "writers/text_writer.h"

#include "general/pause.h"
#include "general/shown_text.h"
#include "platform/output_file.h"
#include "run/run_control.h"

namespace dorvantile {
namespace {

class TextFile final : public CatalogueSections {
public:
    explicit TextFile(OutputFile& out) : out_(out) {}

    void heading(std::string_view folder, bool chosen) override {
        line_.clear();
        appendHeading(line_, folder, !chosen);
        line_.append("\r\n");
        out_.write(line_);
    }

    void file(std::string_view, std::string_view name) override {
        line_.assign("    ");
        appendFileName(line_, name);
        line_.append("\r\n");
        out_.write(line_);
    }

    void endSection() override { out_.write("\r\n"); }

private:
    OutputFile& out_;
    std::string line_;
};

} // namespace

void SaveToText(const CatalogueSource& source, const Animation& animation, OutputFiles& files,
                const std::string& path, MessageBoxes& messages) {
    Pause(animation.loop, 0.2f);
    Pause(animation.loop, 0.2f);

    // The window keeps answering while a slow file system puts the file in place.
    OutputFile out =
        OutputFile::open(files, path, [&animation] { animation.loop.processEvents(); });
    TextFile text(out);
    const Progress totals = WalkCatalogue(source, text);
    out.write(" ----------------------------------------------------\r\n");
    out.write(" Folders: " + std::to_string(totals.folders) +
              " \\ Files: " + std::to_string(totals.files) + "\r\n");
    out.commit();

    ShowProgress(animation.bar, animation.loop);
    messages.show(textNotice, applicationTitle, MessageIcon::None);
}

} // namespace dorvantile
