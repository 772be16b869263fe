#include "platform/fakes/fake_file_system.h"
#include "platform/posix_file_system.h"
#include "platform/text_case.h"
#include "support/golden.h"
#include "support/temp_tree.h"
#include "support/writer_harness.h"

#include <cctype>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace dorvantile {
namespace {

using testing::readFile;
using testing::TempTree;
using testing::WriterHarness;

// The lines of the page between the body tag's empty line and the rule.
std::vector<std::string> bodyLines(const std::string& page) {
    std::vector<std::string> lines;
    const std::string bodyStart = "leftmargin=\"10\">\r\n\r\n";
    std::size_t start = page.find(bodyStart);
    if (start == std::string::npos)
        return lines;
    start += bodyStart.size();
    for (std::size_t end; (end = page.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(page.substr(start, end - start));
        if (lines.back() == "<hr>")
            break;
    }
    return lines;
}

std::string percentDecode(std::string_view encoded) {
    std::string out;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        if (encoded[i] == '%' && i + 2 < encoded.size()) {
            const std::string hex(encoded.substr(i + 1, 2));
            out.push_back(static_cast<char>(std::stoi(hex, nullptr, 16)));
            i += 2;
        } else {
            out.push_back(encoded[i]);
        }
    }
    return out;
}

TEST(HtmlWriter, WritesTheWorkedExampleByteForByteAndOpensIt) {
    fakes::FakeFileSystem fs;
    fs.addEntry("/Work/Notes.TXT");
    fs.addEntry("/Work/Old/X.GIF");
    TempTree out;
    WriterHarness h(fs, out.root());
    ASSERT_TRUE(h.run("/Work", 1));
    const std::string page = readFile(out.path("Files.html"));
    EXPECT_EQ(testing::compareWithGolden("worked_example.html", page), "");
    EXPECT_EQ(h.shell.opened, (std::vector<std::string>{out.path("Files.html")}));
    // Pause, the animation, pause: the page is opened last, after the pointer is busy.
    EXPECT_EQ(h.bar.captions.size(), 115u);
    EXPECT_EQ(h.journal.back(), "arrow");
    EXPECT_EQ(h.journal[h.journal.size() - 2], "open " + out.path("Files.html"));
}

TEST(HtmlWriter, TheRootHasNoDoubledSeparatorAndAnEmptyFolderHasOnlyItsHeading) {
    fakes::FakeFileSystem fs;
    TempTree out;
    WriterHarness h(fs, out.root());
    ASSERT_TRUE(h.run("/", 1));
    EXPECT_EQ(testing::compareWithGolden("empty_root.html", readFile(out.path("Files.html"))), "");
}

TEST(HtmlWriter, SectionsOfFoldersWithoutFilesStillCount) {
    fakes::FakeFileSystem fs;
    fs.addFolder("/r/a/deep");
    fs.addEntry("/r/a/deep/z.txt");
    fs.addFolder("/r/b");
    TempTree out;
    WriterHarness h(fs, out.root());
    ASSERT_TRUE(h.run("/r", 1));
    const std::string nb = "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;";
    EXPECT_EQ(bodyLines(readFile(out.path("Files.html"))),
              (std::vector<std::string>{
                  "<SPAN class=kop>/R/ </SPAN><br>", "<P>", "<SPAN class=kop>/R/A/ </SPAN><br>",
                  "<P>", "<SPAN class=kop>/R/A/DEEP/ </SPAN><br>",
                  "<A href=\"/r/a/deep/z.txt\">" + nb + "z.txt</A><br>", "<P>",
                  "<SPAN class=kop>/R/B/ </SPAN><br>", "<P>", "<hr>"}));
    EXPECT_NE(readFile(out.path("Files.html")).find("Folders: 3 \\ Files: 1 \\ "),
              std::string::npos);
}

TEST(HtmlWriter, NoFileNameCanInjectMarkupAndEveryLinkKeepsItsBytes) {
    TempTree tree;
    const std::vector<std::string> names = {"<img src=x onerror=alert(1)>.txt",
                                            "a&b \"c\".txt",
                                            "100% #1?.txt",
                                            "line\nbreak.txt",
                                            "caf\xE9.txt",
                                            "Notes.TXT"};
    for (const std::string& name : names)
        tree.file("Folder & <b>/" + name);
    TempTree out;
    PosixFileSystem fs;
    WriterHarness h(fs, out.root());
    ASSERT_TRUE(h.run(tree.path("Folder & <b>"), 1));
    const std::vector<std::string> lines = bodyLines(readFile(out.path("Files.html")));
    ASSERT_EQ(lines.size(), names.size() + 3);
    EXPECT_EQ(lines[0],
              "<SPAN class=kop>" + toUpper(tree.root()) + "/FOLDER &amp; &lt;B&gt;/ </SPAN><br>");
    const std::string nb = "&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;";
    const std::string folder = tree.path("Folder%20%26%20%3Cb%3E");
    // Platform order: "100% ...", "<img ...", "a&b ...", "caf\xE9", "line\n...", "Notes".
    EXPECT_EQ(lines[1],
              "<A href=\"" + folder + "/100%25%20%231%3F.txt\">" + nb + "100% #1?.txt</A><br>");
    EXPECT_EQ(lines[2], "<A href=\"" + folder +
                            "/%3Cimg%20src%3Dx%20onerror%3Dalert%281%29%3E.txt\">" + nb +
                            "&lt;img src=x onerror=alert(1)&gt;.txt</A><br>");
    EXPECT_EQ(lines[3], "<A href=\"" + folder + "/a%26b%20%22c%22.txt\">" + nb +
                            "a&amp;b &quot;c&quot;.txt</A><br>");
    EXPECT_EQ(lines[4], "<A href=\"" + folder + "/caf%E9.txt\">" + nb + "caf\xE9.txt</A><br>");
    EXPECT_EQ(lines[5],
              "<A href=\"" + folder + "/line%0Abreak.txt\">" + nb + "line?break.txt</A><br>");
    EXPECT_EQ(lines[6], "<A href=\"" + folder + "/Notes.TXT\">" + nb + "notes.txt</A><br>");
}

// Any bytes at all as a name: the page shows no raw markup character from it, and the link
// target decodes to the exact bytes of the path.
TEST(HtmlWriter, EscapingAndPercentEncodingHoldForRandomNames) {
    std::mt19937 random(20261206);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> length(1, 24);
    fakes::FakeFileSystem fs;
    std::set<std::string> names;
    while (names.size() < 400) {
        std::string name;
        for (int n = length(random); n > 0; --n) {
            const char c = static_cast<char>(byte(random));
            if (c != '/')
                name.push_back(c);
        }
        if (!name.empty() && name[0] != '.')
            names.insert(name);
    }
    for (const std::string& name : names)
        fs.addEntry("/f/" + name);
    TempTree out;
    WriterHarness h(fs, out.root());
    ASSERT_TRUE(h.run("/f", 1));
    const std::vector<std::string> lines = bodyLines(readFile(out.path("Files.html")));
    ASSERT_EQ(lines.size(), names.size() + 3);
    std::set<std::string> decoded;
    const std::string open = "<A href=\"";
    const std::string middle = "\">&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;";
    for (std::size_t i = 1; i + 2 < lines.size(); ++i) {
        const std::string& line = lines[i];
        ASSERT_EQ(line.rfind(open, 0), 0u) << line;
        const std::size_t split = line.find(middle);
        ASSERT_NE(split, std::string::npos) << line;
        const std::string target = line.substr(open.size(), split - open.size());
        const std::string text = line.substr(split + middle.size());
        ASSERT_EQ(text.substr(text.size() - 8), "</A><br>");
        const std::string shown = text.substr(0, text.size() - 8);
        EXPECT_EQ(shown.find_first_of("<>\"\r\n"), std::string::npos) << shown;
        for (std::size_t amp = shown.find('&'); amp != std::string::npos;
             amp = shown.find('&', amp + 1)) {
            const std::string entity = shown.substr(amp, 6);
            EXPECT_TRUE(entity.rfind("&amp;", 0) == 0 || entity.rfind("&lt;", 0) == 0 ||
                        entity.rfind("&gt;", 0) == 0 || entity.rfind("&quot;", 0) == 0)
                << shown;
        }
        for (const char c : target) {
            const unsigned char b = static_cast<unsigned char>(c);
            EXPECT_TRUE(std::isalnum(b) || std::string_view("-._~/%").find(c) != std::string::npos)
                << target;
        }
        decoded.insert(percentDecode(target));
    }
    std::set<std::string> expected;
    for (const std::string& name : names)
        expected.insert("/f/" + name);
    EXPECT_EQ(decoded, expected);
}

} // namespace
} // namespace dorvantile
