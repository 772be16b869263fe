// The Qt printer writing PDF files, read back with poppler's tools: where each line of a
// printed catalogue lands, in which font and colour, on which page, and when the job is written.
#include "catalogue/tree_walk.h"
#include "platform/fakes/fake_file_system.h"
#include "platform/output_file.h"
#include "platform/qt/qt_printer.h"
#include "support/fake_feedback.h"
#include "support/temp_tree.h"
#include "writers/writers.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace dorvantile::testing {
namespace {

/// What a poppler tool writes on its standard output.
std::string poppler(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    EXPECT_TRUE(process.waitForFinished() && process.exitCode() == 0) << tool.toStdString();
    return process.readAllStandardOutput().toStdString();
}

/// A printed line: its words joined by blanks, and its font's box in points from the page's
/// top-left corner (its top is the line's top, not the ink's).
struct Line {
    std::string text;
    double left, top, bottom;
};

/// Each page's lines, from the words that pdftotext finds.
std::vector<std::vector<Line>> pdfPages(const std::string& pdf) {
    const std::regex tag(R"re(<page |<word xMin="(\S+)" yMin="(\S+)" \S+ yMax="(\S+)">(.*)<)re");
    const std::string xml = poppler("pdftotext", {"-bbox", pdf.c_str(), "-"});
    std::vector<std::vector<Line>> pages;
    for (std::sregex_iterator i(xml.begin(), xml.end(), tag), end; i != end; ++i) {
        const std::smatch& word = *i;
        if (!word[1].matched)
            pages.emplace_back();
        else if (!pages.back().empty() && pages.back().back().top == std::stod(word[2]))
            pages.back().back().text += " " + word.str(4); // the next word of the same line
        else
            pages.back().push_back(
                {word.str(4), std::stod(word[1]), std::stod(word[2]), std::stod(word[3])});
    }
    return pages;
}

/// The printable area of Qt's own A4 PDF pages, in points from the page's top-left corner
/// (with no printer in reach, a new QPrinter is one).
QRectF printableArea() {
    return QPrinter().pageLayout().paintRect(QPageLayout::Point);
}

/// Each line of the first page as "LEFT TEXT INK...": its left edge in points from the
/// printable area's, its text, and the colours in its box. The page is rendered at one pixel
/// a point without smoothing, so that nothing but the paper and the ink's exact colours appear.
std::vector<std::string> described(const std::string& pdf, const std::vector<Line>& lines) {
    const QImage page = QImage::fromData(QByteArray::fromStdString(
        poppler("pdftoppm", {"-r", "72", "-aa", "no", "-singlefile", "-png", pdf.c_str()})));
    std::vector<std::string> found;
    for (const Line& line : lines) {
        std::set<QRgb> inks; // in the rows wholly inside the box, up to the page's right edge
        for (int y = int(line.top) + 1; y < int(line.bottom); ++y)
            for (int x = int(line.left); x < page.width(); ++x)
                inks.insert(page.pixel(x, y));
        inks.erase(qRgb(255, 255, 255));
        found.push_back(QString::number(line.left - printableArea().left(), 'f', 1).toStdString() +
                        " " + line.text);
        for (const QRgb ink : inks)
            found.back() += " " + QColor(ink).name().toStdString();
    }
    return found;
}

/// Prints the catalogue of folder `top` of `tree` into `pdf`.
void printCatalogue(FileSystem& tree, const std::string& top, const std::string& pdf) {
    fakes::FakeFeedback feedback;
    TreeWalk walk(tree, top, {}, feedback);
    QtPrinter printer = QtPrinter::toPdf(pdf);
    const std::unique_ptr<PrintSurface> job = printer.startJob();
    writeCatalogue(walk, *printedCatalogue({nullptr, job.get()}));
}

TEST(QtPrinter, PrintsTheCatalogueInPlaceInBoldLiberationSansAndItsColours) {
    fakes::FakeFileSystem tree;
    tree.addEntry("/top/b.txt");
    tree.addEntry("/top/\xc3\x84rger.Md"); // "Ärger.Md"
    tree.addEntry("/top/Docs/Readme.MD");
    tree.addFolder("/top/Empty");
    const TempTree folder;
    const std::string pdf = folder.path("catalogue.pdf");
    printCatalogue(tree, "/top", pdf);

    const std::vector<Line> lines = pdfPages(pdf).at(0); // one page: all lines are on it
    // Dark-red headings 300 twips (15 points) from the printable area's left edge, the other
    // lines at 600: green file names, the black rule and totals.
    ASSERT_EQ(described(pdf, lines),
              (std::vector<std::string>{"15.0 /TOP #c00000", "30.0 b.txt #00a000",
                                        "30.0 \xc3\xa4rger.md #00a000", "15.0 /TOP/DOCS/ #c00000",
                                        "30.0 readme.md #00a000", "15.0 /TOP/EMPTY/ #c00000",
                                        "30.0 " + std::string(52, '-') + " #000000",
                                        "30.0 Folders: 2 \\ Files: 3 #000000"}));
    // Each line lies one line spacing of its font below the one before: after a heading at
    // 11 points, after a file line at 9. A blank line closes each section at the size in
    // force. Arial's line spacing (and so its metric twin's) is (1854 + 434 + 67) / 2048 em
    // with a leading of 67; Qt's metrics round it by less than 0.5%, far less than that.
    const double h11 = 11 * 2355 / 2048.0, h9 = 9 * 2355 / 2048.0;
    const double gaps[] = {h11, h9, 2 * h9, h11, 2 * h9, 2 * h11, h11};
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_NEAR(lines[i + 1].top - lines[i].top, gaps[i], gaps[i] / 200) << lines[i + 1].text;

    // One font, embedded: the only row under pdffonts' header, its fifth column from the end
    // (emb) reading yes.
    const std::string fonts = poppler("pdffonts", {pdf.c_str()});
    const std::regex embedded(R"(-\n(\w+\+)?LiberationSans-Bold .* yes( +\S+){4}\n$)");
    EXPECT_TRUE(std::regex_search(fonts, embedded)) << fonts;
}

TEST(QtPrinter, PrintsEveryCharacterOfANameWiderThanThePage) {
    fakes::FakeFileSystem tree;
    std::string name;
    for (int i = 10; i < 40; ++i)
        name += "abcdefghij" + std::to_string(i);
    tree.addEntry("/top/" + name + ".txt");
    const TempTree folder;
    const std::string pdf = folder.path("catalogue.pdf");
    printCatalogue(tree, "/top", pdf);
    // The heading, the name's lines, the rule, the totals: the name's lines indented further
    // each, and together the whole name.
    const std::vector<Line> lines = pdfPages(pdf).at(0);
    ASSERT_GE(lines.size(), 6u);
    std::string joined;
    for (std::size_t i = 1; i + 2 < lines.size(); ++i) {
        joined += lines[i].text;
        if (i > 1) {
            EXPECT_GT(lines[i].left, lines[1].left) << lines[i].text;
        }
    }
    EXPECT_EQ(joined, name + ".txt");
}

TEST(QtPrinter, WritesAJobOnlyAtEndDocAndBreaksPagesWithoutRepeatingHeadings) {
    const TempTree folder;
    const std::string pdf = folder.path("long.pdf");
    std::unique_ptr<PrintSurface> dropped = QtPrinter::toPdf(pdf).startJob();
    for (int i = 0; i < 200; ++i)
        dropped->Print("line");
    // Dropped before EndDoc, as by a run that fails late, after pages enough to have broken one.
    dropped.reset();
    EXPECT_FALSE(std::filesystem::exists(pdf));

    fakes::FakeFileSystem tree;
    std::vector<std::string> expected{"/LONG"};
    for (int i = 0; i < 200; ++i) {
        expected.push_back("file-" + std::to_string(1000 + i).substr(1) + ".txt");
        tree.addEntry("/long/" + expected.back());
    }
    expected.insert(expected.end(), {std::string(52, '-'), "Folders: 0 \\ Files: 200"});
    printCatalogue(tree, "/long", pdf);

    const std::vector<std::vector<Line>> pages = pdfPages(pdf);
    const QRectF area = printableArea();
    std::vector<std::string> printed;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::vector<Line>& lines = pages[p];
        for (const Line& line : lines)
            printed.push_back(line.text);
        // The first line lies 300 twips below the printable area's top edge, a later page
        // starts at that edge, and each page but the last is full: one more file line would
        // cross its bottom edge.
        const double step = lines.at(lines.size() - 1).top - lines.at(lines.size() - 2).top;
        EXPECT_NEAR(lines.front().top, area.top() + (p == 0 ? 15 : 0), 0.05) << "page " << p + 1;
        EXPECT_LE(lines.back().bottom, area.bottom() + 0.01) << "page " << p + 1;
        EXPECT_TRUE(p + 1 == pages.size() || lines.back().top + 2 * step > area.bottom()) << p;
    }
    EXPECT_EQ(printed, expected); // every line once, in order: no heading on a later page
}

// Turned to landscape after its first lines, a job lays out the rest on the wider page: 65
// lines, one A4 page upright, take two.
TEST(QtPrinter, TurnsItsPagesForLandscape) {
    const TempTree folder;
    const std::string pdf = folder.path("wide.pdf");
    std::unique_ptr<PrintSurface> job = QtPrinter::toPdf(pdf).startJob();
    job->Print("first");
    job->Print("second");
    job->setOrientation(2);
    for (int i = 2; i < 65; ++i)
        job->Print("line");
    job->EndDoc();
    job->EndDoc(); // once ended, a job is sent no more
    EXPECT_EQ(pdfPages(pdf).size(), 2u);
    const std::string info =
        std::regex_replace(poppler("pdfinfo", {pdf.c_str()}), std::regex(" +"), " ");
    for (const char* field :
         {"842 x 595 pts", "Title: Dorvantile catalogue\n", "Creator: Dorvantile\n"})
        EXPECT_NE(info.find(field), std::string::npos) << info;

    // Turned back upright, and not turned by an orientation that is neither.
    job = QtPrinter::toPdf(pdf).startJob();
    job->setOrientation(2);
    job->setOrientation(1);
    job->setOrientation(3);
    job->FontSize(10);
    job->Print("upright");
    job->FontSize(20); // of the same colour: a new size alone is a new style
    job->Print("twice");
    job->EndDoc();
    EXPECT_NE(poppler("pdfinfo", {pdf.c_str()}).find("595 x 842 pts"), std::string::npos);
    const std::vector<Line> sized = pdfPages(pdf).at(0);
    ASSERT_EQ(sized.size(), 2u);
    EXPECT_NEAR((sized[1].bottom - sized[1].top) / (sized[0].bottom - sized[0].top), 2, 0.1);
}

TEST(QtPrinter, AJobThatCannotBeWrittenIsACatalogueError) {
    EXPECT_THROW(QtPrinter::toPdf("/nonexistent/catalogue.pdf").startJob()->EndDoc(),
                 CatalogueError);
}

} // namespace
} // namespace dorvantile::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("CUPS_SERVER", "/nonexistent"); // the machine's printers stay out of reach
    QGuiApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
