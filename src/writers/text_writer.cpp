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
#include "general/shown_text.h"
#include "writers/writers.h"

namespace dorvantile {
namespace {

class TextCatalogue final : public SectionSink {
public:
    explicit TextCatalogue(OutputFile& out) : out_(out) {}

private:
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

    void end(const Totals& totals) override {
        out_.write(" ----------------------------------------------------\r\n");
        out_.write(" Folders: " + std::to_string(totals.folders) +
                   " \\ Files: " + std::to_string(totals.files) + "\r\n");
    }

    OutputFile& out_;
    std::string line_;
};

} // namespace

Writer textCatalogue(const WriterTarget& target) {
    return std::make_unique<TextCatalogue>(*target.file);
}

} // namespace dorvantile
