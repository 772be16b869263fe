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
#include "platform/output_file.h"
#include "platform/text_case.h"
#include "run/run_control.h"
#include "run/show_progress.h"
#include "writers/catalogue_walk.h"

namespace dorvantile {
namespace {

class TextFile final : public CatalogueSections {
public:
    explicit TextFile(OutputFile& out) : out_(out) {}

    void heading(std::string_view folder, bool chosen) override {
        line_.clear();
        appendUpper(line_, folder);
        if (!chosen && (line_.empty() || line_.back() != '/'))
            line_.push_back('/');
        replaceControls(line_);
        line_.append("\r\n");
        out_.write(line_);
    }

    void file(std::string_view, std::string_view name) override {
        line_.assign("    ");
        appendLower(line_, name);
        replaceControls(line_);
        line_.append("\r\n");
        out_.write(line_);
    }

    void endSection() override { out_.write("\r\n"); }

private:
    OutputFile& out_;
    std::string line_;
};

} // namespace

void SaveToText(RunServices& services, const std::string& path) {
    Pause(services.loop, 0.2f);
    Pause(services.loop, 0.2f);

    OutputFile out = path == "-" ? OutputFile::standardOutput() : OutputFile::replacing(path);
    TextFile text(out);
    const Progress totals = WalkCatalogue(services, text);
    out.write(" ----------------------------------------------------\r\n");
    out.write(" Folders: " + std::to_string(totals.folders) +
              " \\ Files: " + std::to_string(totals.files) + "\r\n");
    out.commit();

    ShowProgress(services.bar, services.loop);
    services.messages.show(textNotice, applicationTitle, MessageIcon::None);
}

} // namespace dorvantile
