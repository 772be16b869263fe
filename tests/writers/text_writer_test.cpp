#include "platform/fakes/fake_file_system.h"
#include "platform/posix_file_system.h"
#include "platform/text_case.h"
#include "support/golden.h"
#include "support/temp_tree.h"
#include "support/writer_harness.h"
#include "writers/text_writer.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace dorvantile {
namespace {

using testing::readFile;
using testing::TempTree;
using testing::WriterHarness;

TEST(TextWriter, WritesTheWorkedExampleByteForByteThenAnimatesAndNotifies) {
    fakes::FakeFileSystem fs;
    fs.addEntry("/Docs/Report.DOC");
    fs.addEntry("/Docs/notes.txt");
    fs.addEntry("/Docs/Old/A.TXT");
    fs.addFolder("/Docs/Empty");
    TempTree out;
    WriterHarness h(fs, out.root());
    ASSERT_TRUE(h.run("/Docs", 2));
    EXPECT_EQ(testing::compareWithGolden("worked_example.txt", readFile(out.path("Files.txt"))),
              "");
    ASSERT_EQ(h.messages.shown.size(), 1u);
    EXPECT_EQ(h.messages.shown[0].prompt, "You find this textfile in the App.folder");
    EXPECT_EQ(h.messages.shown[0].title, "Dorvantile");
    EXPECT_EQ(h.messages.shown[0].icon, MessageIcon::None);
    EXPECT_EQ(h.bar.captions.size(), 115u);
    EXPECT_TRUE(h.shell.opened.empty());
    // File1 stays on the last folder listed.
    EXPECT_EQ(h.file1.folder(), "/Docs/Old");
}

TEST(TextWriter, AnEmptyFolderGivesFourLinesAndControlCharactersShowAsQuestionMarks) {
    fakes::FakeFileSystem fs;
    fs.addFolder("/e");
    fs.addEntry("/n\x01"
                "ame/Tab\there\nNL.txt");
    TempTree out;
    WriterHarness h(fs, out.root());
    ASSERT_TRUE(h.run("/e", 2));
    EXPECT_EQ(readFile(out.path("Files.txt")),
              "/E\r\n\r\n ----------------------------------------------------\r\n"
              " Folders: 0 \\ Files: 0\r\n");
    ASSERT_TRUE(h.run("/n\x01"
                      "ame",
                      2));
    EXPECT_EQ(readFile(out.path("Files.txt")),
              "/N?AME\r\n    tab?here?nl.txt\r\n\r\n"
              " ----------------------------------------------------\r\n"
              " Folders: 0 \\ Files: 1\r\n");
}

TEST(TextWriter, AFolderRemovedAfterCollectionKeepsItsHeadingWithNoFiles) {
    TempTree tree;
    tree.file("r/a.txt");
    tree.file("r/gone/x.txt");
    tree.file("r/kept/y.txt");
    TempTree out;
    PosixFileSystem fs;
    WriterHarness h(fs, out.root());
    // The folder disappears while the writer pauses, after the collection listed it.
    h.loop.onPass = [&] {
        if (h.list1.count() == 2)
            std::filesystem::remove_all(tree.path("r/gone"));
    };
    ASSERT_TRUE(h.run(tree.path("r"), 2));
    const std::string r = toUpper(tree.path("r"));
    EXPECT_EQ(readFile(out.path("Files.txt")),
              r + "\r\n    a.txt\r\n\r\n" + r + "/GONE/\r\n\r\n" + r +
                  "/KEPT/\r\n    y.txt\r\n\r\n"
                  " ----------------------------------------------------\r\n"
                  " Folders: 2 \\ Files: 2\r\n");
    ASSERT_EQ(h.feedback.unreadable.size(), 1u);
    EXPECT_EQ(h.feedback.unreadable[0].first, tree.path("r/gone"));
    EXPECT_EQ(h.feedback.unreadable[0].second, std::errc::no_such_file_or_directory);
}

TEST(TextWriter, TwoRunsOnAnUnchangedTreeGiveTheSameFile) {
    fakes::FakeFileSystem fs;
    fs.addEntry("/s/B.txt");
    fs.addEntry("/s/a.txt");
    fs.addEntry("/s/x/c.txt");
    TempTree out;
    WriterHarness h(fs, out.root());
    ASSERT_TRUE(h.run("/s", 2));
    const std::string first = readFile(out.path("Files.txt"));
    ASSERT_TRUE(h.run("/s", 2));
    EXPECT_EQ(readFile(out.path("Files.txt")), first);
}

} // namespace
} // namespace dorvantile
