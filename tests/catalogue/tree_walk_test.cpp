// The walk on the real file system: a tree deeper than the folders it keeps open, a folder
// and a link trading places while walks run, a file system mounted during a walk, the run's
// own file, and an entry asked for more of its open folder; and any stream read ahead on a
// thread of its own.
#include "catalogue/checksums.h"
#include "catalogue/json_catalogue.h"
#include "catalogue/read_ahead.h"
#include "catalogue/tree_walk.h"
#include "platform/attributes.h"
#include "platform/fakes/fake_file_system.h"
#include "platform/fakes/fake_system.h"
#include "platform/posix_file_system.h"
#include "support/fake_feedback.h"
#include "support/temp_tree.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace dorvantile {
namespace {

using testing::TempTree;

// The entries of a walk, one line each: the folder's path below the chosen one and a name.
std::vector<std::string> entries(EntryStream& walk) {
    std::vector<std::string> out;
    CatalogueEntry entry;
    while (walk.next(entry))
        out.push_back(std::string(entry.below) + "|" + std::string(entry.name));
    return out;
}

// Past the folders it keeps open, the walk closes the shallowest and opens them again, name
// by name, to reach the sub-folders that follow: every folder is walked, in order.
TEST(TreeWalk, WalksAnyDepthWithinItsDescriptors) {
    TempTree tree;
    std::string path = "r";
    const std::size_t depth = TreeWalk::openFolders + 20;
    for (std::size_t i = 0; i < depth; ++i) {
        tree.file(path + "/b/f");
        path += "/a";
    }
    tree.file(path + "/deepest");
    PosixFileSystem fs;
    fakes::FakeFeedback feedback;
    TreeWalk walk(fs, tree.path("r"), {}, feedback);
    const std::vector<std::string> found = entries(walk);
    EXPECT_TRUE(feedback.unreadable.empty());
    EXPECT_EQ(walk.totals().folders, static_cast<std::int64_t>(2 * depth));
    EXPECT_EQ(walk.totals().files, static_cast<std::int64_t>(depth + 1));
    // The last entries: the "b" of the first levels, each after the whole "a" beneath it.
    ASSERT_GE(found.size(), 4u);
    EXPECT_EQ(found[found.size() - 4], "a/b|");
    EXPECT_EQ(found[found.size() - 2], "b|");
    EXPECT_EQ(found.back(), "b|f");
}

// A thread exchanges a folder of the tree and a link to a folder outside it as fast as it
// can while walks run: whatever the moment, no walk lists what lies outside.
TEST(TreeWalk, StaysInItsTreeWhileAFolderAndALinkTradePlaces) {
    TempTree tree;
    tree.file("tree/a/inside.txt");
    tree.file("outside/secret.txt");
    tree.link("tree/b", "../outside");
    const std::string a = tree.path("tree/a"), b = tree.path("tree/b");
    std::atomic<bool> done{false};
    std::atomic<int> swaps{0};
    std::thread swapper([&] {
        while (!done)
            swaps += renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0;
    });
    PosixFileSystem fs;
    int walks = 0, leaks = 0, inside = 0;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (fakes::FakeFeedback feedback; walks < 3000 && std::chrono::steady_clock::now() < until;
         ++walks) {
        TreeWalk walk(fs, tree.path("tree"), {}, feedback);
        for (const std::string& entry : entries(walk)) {
            leaks += entry.ends_with("secret.txt");
            inside += entry.ends_with("inside.txt");
        }
    }
    done = true;
    swapper.join();
    EXPECT_EQ(leaks, 0) << "in " << walks << " walks";
    EXPECT_GT(inside, 0);
    EXPECT_GT(swaps, 100);
}

// A file system mounted on a folder of the tree after the walk read the mount table, and
// after it read the folder's parent, is not entered: the folder is one that cannot be read.
TEST(TreeWalk, NeverEntersAFileSystemMountedDuringTheWalk) {
    if (geteuid() != 0)
        GTEST_SKIP() << "mounting takes root";
    TempTree tree;
    tree.file("tree/m/under.txt");
    PosixFileSystem fs;
    fakes::FakeFeedback feedback;
    TreeWalk walk(fs, tree.path("tree"), {}, feedback);
    ASSERT_FALSE(walk.start());
    const std::string point = tree.path("tree/m");
    if (mount("none", point.c_str(), "tmpfs", 0, nullptr) != 0)
        GTEST_SKIP() << "no tmpfs may be mounted here";
    tree.file("tree/m/mounted.txt");
    const std::vector<std::string> found = entries(walk);
    umount2(point.c_str(), MNT_DETACH);
    EXPECT_EQ(found, (std::vector<std::string>{"|", "m|"}));
    ASSERT_EQ(feedback.unreadable.size(), 1u);
    EXPECT_EQ(feedback.unreadable[0].second, std::errc::cross_device_link);
}

// The run's own temporary file, made with a name in the tree where the file system has no
// anonymous files, is never listed, even with the hidden files.
TEST(TreeWalk, LeavesOutTheRunsOwnFile) {
    TempTree tree;
    tree.file("w/sub/.Files.csv.Ab12Cd");
    tree.file("w/sub/kept");
    struct stat own {};
    ASSERT_EQ(stat(tree.path("w/sub/.Files.csv.Ab12Cd").c_str(), &own), 0);
    PosixFileSystem fs;
    fs.leaveOut({own.st_dev, own.st_ino});
    fakes::FakeFeedback feedback;
    TreeWalk walk(fs, tree.path("w"), {true, {}, false}, feedback);
    EXPECT_EQ(entries(walk), (std::vector<std::string>{"|", "sub|", "sub|kept"}));
}

// What the walk hands on may ask more of the folder that holds it, with no path.
TEST(TreeWalk, AnEntryAsksItsOpenFolder) {
    TempTree tree;
    tree.file("w/seven.txt", "1234567");
    PosixFileSystem fs;
    fakes::FakeFeedback feedback;
    TreeWalk walk(fs, tree.path("w"), {}, feedback);
    CatalogueEntry entry;
    ASSERT_TRUE(walk.next(entry) && walk.next(entry));
    ASSERT_EQ(entry.name, "seven.txt");
    EXPECT_FALSE(entry.known); // the listing did not ask for details
    EntryDetails details;
    ASSERT_NE(entry.at, nullptr);
    ASSERT_FALSE(entry.at->entryDetails(entry.name, 0, details));
    EXPECT_EQ(details.size, 7u);
}

// Digests on many threads come in catalogue order, as on one, past the entries held ahead;
// a file that cannot be read or changed while it was read has an error instead, told once,
// and a link that leads nowhere is not read.
TEST(DigestedStream, GivesEachFileItsDigestInOrder) {
    fakes::FakeFileSystem fs;
    for (int i = 0; i < 2000; ++i) {
        const std::string path = "/t/d" + std::to_string(i % 3) + "/f" + std::to_string(i);
        fs.addEntry(path);
        fs.setContent(path, path);
    }
    fs.setContent("/t/d0/f3", "", std::make_error_code(std::errc::permission_denied));
    fs.setContent("/t/d1/f4", "", ContentFault::Changed);
    fs.addEntry("/t/dangling", Link);
    fs.setDetails("/t/dangling", {0, {}, true});
    std::vector<std::vector<std::string>> runs;
    fakes::FakeFeedback feedback;
    for (unsigned jobs : {1u, 4u}) {
        DigestedStream stream(
            std::make_unique<TreeWalk>(fs, "/t", ListingOptions{false, {}, true}, feedback), jobs,
            feedback);
        std::vector<std::string>& found = runs.emplace_back();
        for (CatalogueEntry entry; stream.next(entry);) {
            // Each file's content is its path: its digest says that its folder is its own.
            const std::string path = std::string(entry.folder) + "/" + std::string(entry.name);
            if (entry.kind == EntryKind::File && entry.error.empty()) {
                EXPECT_EQ(entry.sha256, sha256Hex(path)) << path;
            }
            EXPECT_EQ(entry.below, std::string_view(entry.folder)
                                       .substr(std::min(belowStart("/t"), entry.folder.size())));
            found.push_back(std::string(entry.name) + " " + std::string(entry.sha256) +
                            std::string(entry.error));
        }
    }
    EXPECT_EQ(runs[0], runs[1]);
    ASSERT_EQ(runs[0].size(), 2000u + 5);
    EXPECT_EQ(runs[0][1], "dangling ");
    EXPECT_EQ(runs[0][3], "f0 " + sha256Hex("/t/d0/f0"));
    EXPECT_NE(std::find(runs[0].begin(), runs[0].end(), "f3 Permission denied"), runs[0].end());
    EXPECT_NE(std::find(runs[0].begin(), runs[0].end(), "f4 changed while it was read"),
              runs[0].end());
    EXPECT_EQ(feedback.unreadable.size(), 4u); // two files, each run
    EXPECT_EQ(fs.reads.count("/t/dangling"), 0u);
    EXPECT_EQ(fs.reads["/t/d2/f5"], 2);
    { // dropped midway, with files being read on every thread: it ends, what it gave in order
        DigestedStream stream(
            std::make_unique<TreeWalk>(fs, "/t", ListingOptions{false, {}, true}, feedback), 4,
            feedback);
        CatalogueEntry entry;
        for (std::size_t i = 0; i < 700; ++i) {
            ASSERT_TRUE(stream.next(entry));
            ASSERT_EQ(std::string(entry.name) + " " + std::string(entry.sha256) +
                          std::string(entry.error),
                      runs[0][i]);
        }
    }
}

// Each folder held for its files' reads is a descriptor: a run over more folders than a
// process may open holds only those ahead of the reader, and lets each go once read.
TEST(DigestedStream, KeepsFewFoldersOpen) {
    fakes::FakeFileSystem fs;
    for (int i = 0; i < 1500; ++i) {
        const std::string path = "/t/d" + std::to_string(i) + "/f";
        fs.addEntry(path);
        fs.setContent(path, path);
    }
    fakes::FakeFeedback feedback;
    DigestedStream stream(
        std::make_unique<TreeWalk>(fs, "/t", ListingOptions{false, {}, true}, feedback), 2,
        feedback);
    int files = 0;
    for (CatalogueEntry entry; stream.next(entry);)
        files += entry.sha256.empty() ? 0 : 1;
    EXPECT_EQ(files, 1500);
    EXPECT_LE(fs.mostOpen, 300);
    EXPECT_LE(fs.openFolders, 2); // at most the walk's and the last one held
}

// With an earlier catalogue, only the files added or whose size or time changed are read
// again; the others, whatever their names, take their digests from it, however it comes:
// as a stream of entries, or read back from JSON, whole lines at a time (compared as text)
// or in pieces (parsed), its totals still checked at its end.
TEST(DigestedStream, ReusesTheDigestsOfUnchangedFiles) {
    struct Held {
        CatalogueEntry entry;
        std::string folder, name, sha256;
    };
    struct Replay final : EntryStream {
        std::vector<Held> held;
        std::size_t at = 0;
        Held last; // the views last till the next entry
        bool next(CatalogueEntry& entry) override {
            if (at == held.size())
                return false;
            last = held[at++];
            entry = last.entry;
            entry.folder = last.folder;
            entry.below = std::string_view(last.folder)
                              .substr(std::min(belowStart("/t"), last.folder.size()));
            entry.name = last.name;
            entry.sha256 = last.sha256;
            return true;
        }
        Totals totals() const override { return {}; }
    };
    fakes::FakeFileSystem fs;
    for (const std::string path :
         {"/t/a", "/t/b", "/t/q\"uote", "/t/bad\xff", "/t/r/e", "/t/s/c", "/t/s/d", "/t/x\xfe/f"}) {
        fs.addEntry(path);
        fs.setContent(path, path);
        fs.setDetails(path, {path.size(), {1765000000, 7}});
    }
    fakes::FakeFeedback feedback;
    // A run's entries, and its JSON catalogue; `asWritten`, how many of its entries came
    // with their text.
    const auto run = [&](std::unique_ptr<EntryStream> reused, int* asWritten = nullptr) {
        struct Recorder final : CatalogueSink {
            std::unique_ptr<Replay> replay = std::make_unique<Replay>();
            fakes::FakeOutputFiles files;
            OutputFile out = (files.folders = {"/o"}, OutputFile::open(files, "/o/c.json"));
            JsonCatalogueWriter json{out, {"/t", {1765000000, 0}, "host", true}};
            int texts = 0;
            void entry(const CatalogueEntry& entry) override {
                texts += entry.jsonText.empty() ? 0 : 1;
                replay->held.push_back({entry, std::string(entry.folder), std::string(entry.name),
                                        std::string(entry.sha256)});
                replay->held.back().entry.jsonText = {};
                json.entry(entry);
            }
            void finish(const Totals& totals) override { json.finish(totals); }
        };
        auto recorder = std::make_unique<Recorder>();
        DigestedStream stream(
            std::make_unique<TreeWalk>(fs, "/t", ListingOptions{false, {}, true}, feedback), 2,
            feedback, std::move(reused));
        writeCatalogue(stream, *recorder);
        EXPECT_EQ(stream.failure(), "");
        recorder->out.commit();
        if (asWritten)
            *asWritten = recorder->texts;
        return std::make_pair(std::move(recorder->replay),
                              recorder->files.files["/o/c.json"].content);
    };
    auto [first, older] = run(nullptr);
    fs.addEntry("/t/s/bb"), fs.addEntry("/t/zz/last");
    fs.setDetails("/t/s/d", {6, {1765000000, 8}});
    fs.setDetails("/t/x\xfe/f", {3, {1765000000, 7}});
    fs.setContent("/t/x\xfe/f", "new");
    const std::string fresh = run(nullptr).second;
    EXPECT_NE(fresh.find(sha256Hex("new")), std::string::npos);
    fakes::FakeInputFiles inputs;
    inputs.files["c.json"] = older;
    // Pieces of every length between those of a line and of two, so that some lines end
    // in the piece they begin in and some go on in the next.
    std::vector<std::size_t> chunks{0, 7, std::size_t{1} << 16};
    for (std::size_t chunk = 150; chunk < 450; chunk += 10)
        chunks.push_back(chunk);
    for (const std::size_t chunk : chunks) {
        std::unique_ptr<EntryStream> reused = std::move(first);
        if (chunk != 0) {
            inputs.chunk = chunk;
            std::unique_ptr<ReadableFile> file;
            ASSERT_FALSE(inputs.open("c.json", file));
            reused = std::make_unique<JsonCatalogueReader>(std::move(file), "c.json");
        }
        fs.reads.clear();
        int asWritten = 0;
        EXPECT_EQ(run(std::move(reused), &asWritten).second, fresh) << "chunk " << chunk;
        // Read whole, each line before the first file to read is taken, and written, as it
        // stands: two folders' and their five files', whatever their names; not the folder
        // whose count changed.
        if (chunk == std::size_t{1} << 16) {
            EXPECT_EQ(asWritten, 7);
        }
        EXPECT_EQ(fs.reads,
                  (std::map<std::string, int>{
                      {"/t/s/bb", 1}, {"/t/s/d", 1}, {"/t/x\xfe/f", 1}, {"/t/zz/last", 1}}))
            << "chunk " << chunk;
    }
    // A digest that is not one is the older catalogue's damage: the run fails, naming it.
    older[older.find("\"sha256\":\"") + 10] = 'G';
    inputs.files["c.json"] = older;
    std::unique_ptr<ReadableFile> file;
    ASSERT_FALSE(inputs.open("c.json", file));
    DigestedStream damaged(
        std::make_unique<TreeWalk>(fs, "/t", ListingOptions{false, {}, true}, feedback), 1,
        feedback, std::make_unique<JsonCatalogueReader>(std::move(file), "c.json"));
    for (CatalogueEntry entry; damaged.next(entry);) {
    }
    EXPECT_EQ(damaged.failure(), "c.json: line 3: a sha256 that is not 64 hex digits of a file");
}

// A stream that throws on the reading thread ends with its reason, never the process.
TEST(ReadAhead, EndsWithWhatEndedTheStream) {
    struct Failing final : EntryStream {
        int given = 0;
        bool next(CatalogueEntry& entry) override {
            if (given == 3000)
                throw std::runtime_error("disk gone");
            entry = {};
            entry.folder = "/x/y";
            entry.below = std::string_view(entry.folder).substr(3);
            entry.name = "n";
            entry.kind = EntryKind::File;
            ++given;
            return true;
        }
        Totals totals() const override { return {1, given, 0}; }
    };
    ReadAhead ahead(std::make_unique<Failing>());
    std::vector<std::string> found = entries(ahead);
    EXPECT_EQ(found.size(), 3000u);
    EXPECT_EQ(found.back(), "y|n");
    EXPECT_EQ(ahead.failure(), "disk gone");
    EXPECT_EQ(ahead.totals().files, 3000);
}

} // namespace
} // namespace dorvantile
