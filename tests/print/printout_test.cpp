// dorvantile-cli --format print through a private CUPS scheduler with a PDF queue: the
// printed job read back with poppler.
#include "pdf_reading.h"
#include "private_cups.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

namespace dorvantile::testing {
namespace {

constexpr double pointsPerTwip = 1 / 20.0;

std::string asciiUpper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

/// The lines of `text` without their leading and trailing blanks (pdftotext's layout turns
/// the file lines' indent into blanks; the positions are tested on their own).
std::vector<std::string> trimmedLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        const std::size_t first = line.find_first_not_of(' ');
        const std::size_t last = line.find_last_not_of(' ');
        lines.push_back(first == std::string::npos ? "" : line.substr(first, last - first + 1));
    }
    return lines;
}

/// The printable area of the queue's default page size, in points from the page's top-left
/// corner, as its driver gives it.
struct PrintableArea {
    double left = 0;
    double top = 0;
    double bottom = 0;
};

PrintableArea printableArea(const std::string& ppd, double pageHeight) {
    std::ifstream in(ppd);
    const std::string text{std::istreambuf_iterator<char>(in), {}};
    std::smatch match;
    if (!std::regex_search(text, match, std::regex(R"(\*DefaultImageableArea: (\S+))")))
        throw std::runtime_error("no default imageable area in " + ppd);
    const std::regex area(R"re(\*ImageableArea )re" + match.str(1) +
                          R"re((/[^:]*)?: "([0-9.]+) ([0-9.]+) ([0-9.]+) ([0-9.]+)")re");
    if (!std::regex_search(text, match, area))
        throw std::runtime_error("no imageable area for the default page size in " + ppd);
    // The driver counts from the bottom-left corner.
    return {std::stod(match.str(2)), pageHeight - std::stod(match.str(5)),
            pageHeight - std::stod(match.str(3))};
}

class PrintoutTest : public ::testing::Test {
protected:
    PrintoutTest() {
        cups.addQueue("catalogue");
        cups.setDefault("catalogue");
    }

    Ran runCli(const std::vector<std::string>& options) const {
        std::vector<std::string> argv{DORVANTILE_CLI, "--format", "print"};
        argv.insert(argv.end(), options.begin(), options.end());
        return runProgram(argv, cups.clientEnvironment());
    }

    /// Prints `folder` on the default printer and waits for the job; returns the printed file.
    std::string print(const std::string& folder) {
        const Ran ran = runCli({folder});
        EXPECT_EQ(ran.status, 0) << ran.err;
        EXPECT_EQ(ran.err, "");
        cups.waitForCompletedJobs(1);
        return cups.output("catalogue");
    }

    /// A small tree: files in the chosen folder, a sub-folder with files and a folder beneath
    /// it, and a sub-folder without files.
    void smallTree() const {
        tree.file("top/Notes.TXT");
        tree.file("top/b.txt");
        tree.file("top/\xc3\x84rger.Md"); // "Ärger.Md"
        tree.file("top/Docs/Readme.MD");
        tree.file("top/Docs/Old/x.txt");
        tree.folder("top/Empty");
    }

    PrivateCups cups;
    TempFolder tree;
};

TEST_F(PrintoutTest, PrintsTheCatalogueLineForLine) {
    smallTree();
    const std::string top = asciiUpper(tree.path("top"));

    const std::string printed = print(tree.path("top"));

    const std::string text = pdfLayoutText(printed);
    ASSERT_EQ(std::count(text.begin(), text.end(), '\f'), 1) << "one page";
    EXPECT_EQ(trimmedLines(text.substr(0, text.find('\f'))), (std::vector<std::string>{
                                                                 top,
                                                                 "b.txt",
                                                                 "notes.txt",
                                                                 "\xc3\xa4rger.md", // "ärger.md"
                                                                 "",
                                                                 top + "/DOCS/",
                                                                 "readme.md",
                                                                 "",
                                                                 top + "/DOCS/OLD/",
                                                                 "x.txt",
                                                                 "",
                                                                 top + "/EMPTY/",
                                                                 "",
                                                                 std::string(52, '-'),
                                                                 "Folders: 3 \\ Files: 5",
                                                             }));
}

TEST_F(PrintoutTest, PlacesLinesInTwipsFromThePrintableArea) {
    smallTree();

    const std::vector<PrintedPage> pages = pdfPages(print(tree.path("top")));

    ASSERT_EQ(pages.size(), 1u);
    const std::vector<PrintedLine>& lines = pages[0].lines;
    ASSERT_EQ(lines.size(), 11u); // the catalogue without its blank lines
    const PrintableArea area =
        printableArea(cups.folder() + "/root/ppd/catalogue.ppd", pages[0].height);
    // Headings 300 twips from the printable area's left edge, file lines, rule and totals at
    // 600, the first line 300 twips below its top edge.
    EXPECT_NEAR(lines[0].top, area.top + 300 * pointsPerTwip, 0.05);
    for (const std::size_t heading : {0, 4, 6, 8})
        EXPECT_NEAR(lines[heading].left, area.left + 300 * pointsPerTwip, 0.05) << heading;
    for (const std::size_t indented : {1, 2, 3, 5, 7, 9, 10})
        EXPECT_NEAR(lines[indented].left, area.left + 600 * pointsPerTwip, 0.05) << indented;

    // Each line lies one line height of the font before it below that line: 11 points after
    // a heading, 9 after a file line, and the blank lines take the size in force.
    const double afterHeading = lines[1].top - lines[0].top;
    const double afterFile = lines[2].top - lines[1].top;
    EXPECT_NEAR(afterHeading / afterFile, 11.0 / 9.0, 0.005);
    EXPECT_GT(afterFile, 9.0);
    EXPECT_NEAR(lines[4].top - lines[3].top, 2 * afterFile, 0.05);    // file, blank at 9 pt
    EXPECT_NEAR(lines[9].top - lines[8].top, 2 * afterHeading, 0.05); // EMPTY/, blank at 11
    EXPECT_NEAR(lines[10].top - lines[9].top, afterHeading, 0.05);    // the rule at 11 pt
}

TEST_F(PrintoutTest, PrintsInBoldLiberationSansForArial) {
    smallTree();

    const std::vector<PdfFont> fonts = pdfFonts(print(tree.path("top")));

    ASSERT_FALSE(fonts.empty());
    for (const PdfFont& font : fonts) {
        EXPECT_EQ(font.name, "LiberationSans-Bold");
        EXPECT_TRUE(font.embedded) << font.name;
    }
}

TEST_F(PrintoutTest, HeadingsAreDarkRedFileLinesGreenAndClosingLinesBlack) {
    smallTree();
    const std::string printed = print(tree.path("top"));
    const std::vector<PrintedPage> pages = pdfPages(printed);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].lines.size(), 11u);

    const RenderedPage page(printed, 1, 150);

    const Pixel darkRed{192, 0, 0};
    const Pixel green{0, 160, 0};
    const Pixel black{0, 0, 0};
    const PrintedLine& heading = pages[0].lines[0];
    const PrintedLine& file = pages[0].lines[1];
    const PrintedLine& totals = pages[0].lines[10];
    // Strokes of bold text hold many pixels of the exact colour; the edges are blended with
    // the white paper and so never pass for another of the three colours.
    EXPECT_GT(page.count(heading, darkRed, 12), 100);
    EXPECT_EQ(page.count(heading, green, 60), 0);
    EXPECT_EQ(page.count(heading, black, 60), 0);
    EXPECT_GT(page.count(file, green, 12), 50);
    EXPECT_EQ(page.count(file, darkRed, 60), 0);
    EXPECT_GT(page.count(totals, black, 12), 50);
    EXPECT_EQ(page.count(totals, green, 60), 0);
}

TEST_F(PrintoutTest, LongCatalogueContinuesOnFurtherPagesWithoutHeadings) {
    std::vector<std::string> expected{asciiUpper(tree.path("long"))};
    for (int i = 0; i < 150; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "file-%03d.txt", i);
        tree.file(std::string("long/") + name);
        expected.push_back(name);
    }
    expected.push_back(std::string(52, '-'));
    expected.push_back("Folders: 0 \\ Files: 150");

    const std::vector<PrintedPage> pages = pdfPages(print(tree.path("long")));

    ASSERT_GE(pages.size(), 3u);
    std::vector<std::string> printed;
    for (const PrintedPage& page : pages) {
        for (const PrintedLine& line : page.lines)
            printed.push_back(line.text);
    }
    // Every line once, in order, and nothing else: no heading on the later pages.
    EXPECT_EQ(printed, expected);

    const PrintableArea area =
        printableArea(cups.folder() + "/root/ppd/catalogue.ppd", pages[0].height);
    EXPECT_NEAR(pages[0].lines.front().top, area.top + 300 * pointsPerTwip, 0.05);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::vector<PrintedLine>& lines = pages[p].lines;
        ASSERT_GE(lines.size(), 2u) << "page " << p + 1;
        if (p > 0) { // a later page starts at the printable area's top edge
            EXPECT_NEAR(lines.front().top, area.top, 0.05) << "page " << p + 1;
        }
        for (const PrintedLine& line : lines)
            EXPECT_LE(line.bottom, area.bottom + 0.01) << line.text;
        if (p + 1 < pages.size()) {
            // The page is full: one more file line would have crossed the bottom edge.
            const double step = lines[lines.size() - 1].top - lines[lines.size() - 2].top;
            EXPECT_GT(lines.back().top + 2 * step, area.bottom) << "page " << p + 1;
        }
    }
}

TEST_F(PrintoutTest, NoDefaultPrinterFailsWithOneClearLine) {
    PrivateCups noDefault;
    noDefault.addQueue("not-the-default");
    tree.file("top/a.txt");

    const Ran ran = runProgram({DORVANTILE_CLI, "--format", "print", tree.path("top")},
                               noDefault.clientEnvironment());

    EXPECT_EQ(ran.status, 1);
    EXPECT_EQ(ran.err, "dorvantile-cli: No printer is set up: there is no default printer\n");
    EXPECT_EQ(ran.out, "");
    EXPECT_EQ(noDefault.pendingJobs() + noDefault.completedJobs(), 0u);
}

TEST_F(PrintoutTest, PrintsOnTheNamedQueue) {
    cups.addQueue("other");
    tree.file("top/a.txt");

    const Ran ran = runCli({"--printer", "other", tree.path("top")});

    ASSERT_EQ(ran.status, 0) << ran.err;
    cups.waitForCompletedJobs(1);
    EXPECT_TRUE(std::filesystem::exists(cups.output("other")));
    EXPECT_FALSE(std::filesystem::exists(cups.output("catalogue")));
    const std::vector<std::string> lines = trimmedLines(pdfLayoutText(cups.output("other")));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[1], "a.txt");
}

TEST_F(PrintoutTest, UnknownQueueFailsWithOneClearLine) {
    tree.file("top/a.txt");

    const Ran ran = runCli({"--printer", "nosuch", tree.path("top")});

    EXPECT_EQ(ran.status, 1);
    EXPECT_EQ(ran.err,
              "dorvantile-cli: Cannot print on nosuch: there is no printer of that name\n");
    EXPECT_EQ(cups.pendingJobs() + cups.completedJobs(), 0u);
}

TEST(PrintOptions, FileOptionsAndPrinterOptionDoNotMix) {
    TempFolder tree;
    const std::vector<std::string> environment{"PATH=/usr/bin:/bin", "HOME=" + tree.path()};
    const std::pair<std::vector<std::string>, std::string> mixes[] = {
        {{"--printer", "q"}, "option --printer needs --format print"},
        {{"--format", "text", "--printer", "q"}, "option --printer needs --format print"},
        {{"--format", "print", "--output", "x"},
         "option --output does not apply to --format print"},
        {{"--format", "print", "--open"}, "option --open does not apply to --format print"},
    };
    for (const auto& [options, message] : mixes) {
        std::vector<std::string> argv{DORVANTILE_CLI};
        argv.insert(argv.end(), options.begin(), options.end());
        argv.push_back(tree.path());
        const Ran ran = runProgram(argv, environment);
        EXPECT_EQ(ran.status, 2) << message;
        EXPECT_EQ(ran.err.substr(0, ran.err.find('\n')), "dorvantile-cli: " + message);
    }
}

} // namespace
} // namespace dorvantile::testing
