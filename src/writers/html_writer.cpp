// The page, line by line, each line ended by CR LF. For a chosen folder /w holding
// Notes.TXT, with one sub-folder /w/Old holding X.GIF, the body reads:
//
//   <SPAN class=kop>/W/ </SPAN><br>
//   <A href="/w/Notes.TXT">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;notes.txt</A><br>
//   <P>
//   <SPAN class=kop>/W/OLD/ </SPAN><br>
//   <A href="/w/Old/X.GIF">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;x.gif</A><br>
//   <P>
//   <hr>
//   <SPAN class=grijs>Folders: 1 \ Files: 2 \ </SPAN>
//
//   </body>
//   </html>
//
// Headings and link texts are escaped; link targets are percent-encoded and keep the
// file's real case, so that every link opens its file.
#include "general/shown_text.h"
#include "platform/paths.h"
#include "writers/html_escape.h"
#include "writers/writers.h"

namespace dorvantile {
namespace {

constexpr std::string_view pageHead =
    "<html>\r\n"
    "<head>\r\n"
    "<title>Dorvantile</title>\r\n"
    "<meta charset=\"utf-8\">\r\n"
    "<meta name=\"generator\" content=\"Created by Vandle\">\r\n"
    "<STYLE>\r\n"
    "<!--\r\n"
    "A:LINK  {font-family : Arial, Verdana, Helvetica;font-size:10pt; font-weight:bold; "
    "color:#000088;text-decoration: none;}\r\n"
    "A:VISITED  {font-family : Arial, Verdana, Helvetica;font-size:10pt; "
    "font-weight:bold;color:#784444;text-decoration: none;}\r\n"
    "A:HOVER  {font-family : Arial, Verdana, Helvetica;font-size:10pt; "
    "font-weight:bold;color:#007799;text-decoration: none;}\r\n"
    "SPAN.tekst {color:#444444;font-size:12pt;font-family: arial,helvetica;}\r\n"
    "SPAN.grijs {color:#777777;font-size:12pt;font-weight:bold;font-family: "
    "arial,helvetica;}\r\n"
    "SPAN.kop {color:#557700;font-size:13pt;font-weight:bold;font-family: arial,helvetica;}\r\n"
    "SPAN.klein {color:#007700;font-size:10pt;font-family: arial,helvetica;}\r\n"
    "//-->\r\n"
    "</STYLE>\r\n"
    "</head>\r\n"
    "<body bgcolor=\"#EEFFFF\" topmargin=\"10\" leftmargin=\"10\">\r\n"
    "\r\n";

class HtmlCatalogue final : public SectionSink {
public:
    explicit HtmlCatalogue(OutputFile& out) : out_(out) { out_.write(pageHead); }

private:
    void heading(std::string_view folder, bool) override {
        cased_.clear();
        appendHeading(cased_, folder, true);
        line_.assign("<SPAN class=kop>");
        appendShown(line_, cased_);
        line_.append(" </SPAN><br>\r\n");
        out_.write(line_);
    }

    void file(std::string_view folder, std::string_view name) override {
        // Every file of a folder shares the start of its link: it is encoded once per folder.
        if (folder != targetFolder_ || targetPrefix_.empty()) {
            targetFolder_.assign(folder);
            targetPrefix_.assign("<A href=\"");
            appendPercentEncoded(targetPrefix_, folder);
            appendSeparator(targetPrefix_);
        }
        line_.assign(targetPrefix_);
        appendPercentEncoded(line_, name);
        line_.append("\">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;");
        cased_.clear();
        appendFileName(cased_, name);
        appendShown(line_, cased_);
        line_.append("</A><br>\r\n");
        out_.write(line_);
    }

    void endSection() override { out_.write("<P>\r\n"); }

    void end(const Totals& totals) override {
        out_.write("<hr>\r\n<SPAN class=grijs>Folders: " + std::to_string(totals.folders) +
                   " \\ Files: " + std::to_string(totals.files) + " \\ </SPAN>\r\n");
        out_.write("\r\n</body>\r\n</html>\r\n");
    }

    OutputFile& out_;
    std::string line_;
    std::string cased_;
    std::string targetFolder_;
    std::string targetPrefix_;
};

} // namespace

Writer htmlCatalogue(const WriterTarget& target) {
    return std::make_unique<HtmlCatalogue>(*target.file);
}

} // namespace dorvantile
