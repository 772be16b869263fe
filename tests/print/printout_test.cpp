// dorvantile-cli --format print through a private CUPS scheduler with PDF queues: the printed
// job read back with poppler.
#include "pdf_reading.h"
#include "private_cups.h"

#include <cctype>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <set>

namespace dorvantile::testing {
namespace {

constexpr double pointsPerTwip = 1 / 20.0;

std::string asciiUpper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

/// The printable area of a queue's default page size, in points from the page's top-left
/// corner, as its driver gives it.
struct PrintableArea {
    double left = 0, top = 0, bottom = 0;
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
    PrintoutTest() { cups.addQueue("catalogue"); }

    Ran runCli(std::vector<std::string> options) const {
        options.insert(options.begin(), {DORVANTILE_CLI, "--format", "print"});
        return runProgram(options, cups.clientEnvironment());
    }

    /// Prints `folder` on queue "catalogue", made the default, and waits for the job; returns
    /// its pages.
    std::vector<PrintedPage> print(const std::string& folder) {
        cups.setDefault("catalogue");
        const Ran ran = runCli({folder});
        EXPECT_EQ(ran.status, 0) << ran.err;
        EXPECT_EQ(ran.err, "");
        cups.waitForCompletedJobs(1);
        return pdfPages(cups.output("catalogue"));
    }

    PrivateCups cups;
    TempTree tree;
};

TEST_F(PrintoutTest, PrintsTheCatalogueLineForLineInPlaceInBoldLiberationSansAndItsColours) {
    // Files in the chosen folder, a sub-folder with files and a folder beneath it, and a
    // sub-folder without files.
    tree.file("top/Notes.TXT");
    tree.file("top/b.txt");
    tree.file("top/\xc3\x84rger.Md"); // "Ärger.Md"
    tree.file("top/Docs/Readme.MD");
    tree.file("top/Docs/Old/x.txt");
    tree.folder("top/Empty");
    const std::string top = asciiUpper(tree.path("top"));

    const std::vector<PrintedPage> pages = print(tree.path("top"));

    ASSERT_EQ(pages.size(), 1u);
    const std::vector<PrintedLine>& lines = pages[0].lines;
    std::vector<std::string> texts;
    for (const PrintedLine& line : lines)
        texts.push_back(line.text);
    EXPECT_EQ(texts, (std::vector<std::string>{top, "b.txt", "notes.txt", "\xc3\xa4rger.md",
                                               top + "/DOCS/", "readme.md", top + "/DOCS/OLD/",
                                               "x.txt", top + "/EMPTY/", std::string(52, '-'),
                                               "Folders: 3 \\ Files: 5"}));
    ASSERT_EQ(lines.size(), 11u);

    // Headings 300 twips from the printable area's left edge, file lines, rule and totals at
    // 600, the first line 300 twips below its top edge.
    const PrintableArea area = printableArea(cups.ppd("catalogue"), pages[0].height);
    EXPECT_NEAR(lines[0].top, area.top + 300 * pointsPerTwip, 0.05);
    for (const std::size_t i : {0, 4, 6, 8})
        EXPECT_NEAR(lines[i].left, area.left + 300 * pointsPerTwip, 0.05) << i;
    for (const std::size_t i : {1, 2, 3, 5, 7, 9, 10})
        EXPECT_NEAR(lines[i].left, area.left + 600 * pointsPerTwip, 0.05) << i;
    // Each line lies one line height of its font below the line before: 11 points after a
    // heading, 9 after a file line. A blank line closes each block at the size in force.
    const double h11 = lines[1].top - lines[0].top;
    const double h9 = lines[2].top - lines[1].top;
    EXPECT_NEAR(h11 / h9, 11.0 / 9.0, 0.005);
    EXPECT_GT(h9, 9.0);
    const double gaps[] = {h11, h9, h9, 2 * h9, h11, 2 * h9, h11, 2 * h9, 2 * h11, h11};
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        EXPECT_NEAR(lines[i + 1].top - lines[i].top, gaps[i], 0.05) << lines[i + 1].text;

    const std::vector<std::string> fonts = pdfFonts(cups.output("catalogue"));
    EXPECT_EQ(std::set<std::string>(fonts.begin(), fonts.end()),
              std::set<std::string>{"LiberationSans-Bold yes"});

    // Strokes of bold text hold many pixels of the exact colour; the edges are blended with
    // the white paper and so never pass for another of the three colours.
    const RenderedPage page(cups.output("catalogue"));
    const Pixel darkRed{192, 0, 0}, green{0, 160, 0}, black{0, 0, 0};
    EXPECT_GT(page.count(lines[0], darkRed, 12), 100);
    EXPECT_EQ(page.count(lines[0], green, 60), 0);
    EXPECT_EQ(page.count(lines[0], black, 60), 0);
    EXPECT_GT(page.count(lines[1], green, 12), 50);
    EXPECT_EQ(page.count(lines[1], darkRed, 60), 0);
    EXPECT_GT(page.count(lines[10], black, 12), 50);
    EXPECT_EQ(page.count(lines[10], green, 60), 0);
}

TEST_F(PrintoutTest, LongCatalogueContinuesOnFurtherPagesWithoutHeadings) {
    std::vector<std::string> expected{asciiUpper(tree.path("long"))};
    for (int i = 0; i < 150; ++i) {
        expected.push_back("file-" + std::to_string(1000 + i).substr(1) + ".txt");
        tree.file("long/" + expected.back());
    }
    expected.push_back(std::string(52, '-'));
    expected.push_back("Folders: 0 \\ Files: 150");

    const std::vector<PrintedPage> pages = print(tree.path("long"));

    ASSERT_GE(pages.size(), 3u);
    std::vector<std::string> printed;
    for (const PrintedPage& page : pages) {
        for (const PrintedLine& line : page.lines)
            printed.push_back(line.text);
    }
    // Every line once, in order, and nothing else: no heading on the later pages.
    EXPECT_EQ(printed, expected);
    const PrintableArea area = printableArea(cups.ppd("catalogue"), pages[0].height);
    for (std::size_t p = 0; p < pages.size(); ++p) {
        const std::vector<PrintedLine>& lines = pages[p].lines;
        ASSERT_GE(lines.size(), 2u) << "page " << p + 1;
        if (p > 0) { // a later page starts at the printable area's top edge
            EXPECT_NEAR(lines.front().top, area.top, 0.05) << "page " << p + 1;
        }
        EXPECT_LE(lines.back().bottom, area.bottom + 0.01) << "page " << p + 1;
        if (p + 1 < pages.size()) { // full: one more file line would cross the bottom edge
            const double step = lines.back().top - lines[lines.size() - 2].top;
            EXPECT_GT(lines.back().top + 2 * step, area.bottom) << "page " << p + 1;
        }
    }
}

TEST_F(PrintoutTest, FailsClearlyWithoutDefaultOrOnAnUnknownQueueAndPrintsOnTheNamedOne) {
    cups.addQueue("other");
    tree.file("top/a.txt");

    // Neither queue is the default.
    const Ran noDefault = runCli({tree.path("top")});
    EXPECT_EQ(noDefault.status, 1);
    EXPECT_EQ(noDefault.err, "dorvantile-cli: No printer is set up: there is no default printer\n");
    EXPECT_EQ(noDefault.out, "");
    const Ran unknown = runCli({"--printer", "nosuch", tree.path("top")});
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err,
              "dorvantile-cli: Cannot print on nosuch: there is no printer of that name\n");
    EXPECT_EQ(cups.jobs(), 0u);

    cups.setDefault("catalogue");
    const Ran named = runCli({"--printer", "other", tree.path("top")});
    ASSERT_EQ(named.status, 0) << named.err;
    cups.waitForCompletedJobs(1);
    EXPECT_FALSE(std::filesystem::exists(cups.output("catalogue")));
    const std::vector<PrintedPage> pages = pdfPages(cups.output("other"));
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].lines.size(), 4u);
    EXPECT_EQ(pages[0].lines[1].text, "a.txt");
}

TEST(PrintOptions, FileOptionsAndPrinterOptionDoNotMix) {
    const TempTree tree;
    const std::pair<std::vector<std::string>, std::string> mixes[] = {
        {{"--printer", "q"}, "option --printer needs --format print"},
        {{"--format", "text", "--printer", "q"}, "option --printer needs --format print"},
        {{"--format", "print", "--output", "x"},
         "option --output does not apply to --format print"},
        {{"--format", "print", "--open"}, "option --open does not apply to --format print"},
    };
    for (auto [argv, message] : mixes) {
        argv.insert(argv.begin(), DORVANTILE_CLI);
        argv.push_back(tree.root());
        const Ran ran = runProgram(argv, {"PATH=/usr/bin:/bin", "HOME=" + tree.root()});
        EXPECT_EQ(ran.status, 2) << message;
        EXPECT_EQ(ran.err.substr(0, ran.err.find('\n')), "dorvantile-cli: " + message);
    }
}

} // namespace
} // namespace dorvantile::testing
