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

#include "general/shown_text.h"

namespace dorvantile {

void TextCatalogue::heading(std::string_view folder, bool chosen) {
    line_.clear();
    appendHeading(line_, folder, !chosen);
    line_.append("\r\n");
    out_.write(line_);
}

void TextCatalogue::file(std::string_view, std::string_view name) {
    line_.assign("    ");
    appendFileName(line_, name);
    line_.append("\r\n");
    out_.write(line_);
}

void TextCatalogue::endSection() {
    out_.write("\r\n");
}

void TextCatalogue::end(const Totals& totals) {
    out_.write(" ----------------------------------------------------\r\n");
    out_.write(" Folders: " + std::to_string(totals.folders) +
               " \\ Files: " + std::to_string(totals.files) + "\r\n");
}

} // namespace dorvantile
