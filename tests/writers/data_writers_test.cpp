// The data formats and compare over a tree in memory whose details are given: the CSV, JSON
// and differences against the files in tests/golden, damaged catalogues, and the text of
// times, names and base64 on their own.
#include "catalogue/codecs.h"
#include "catalogue/digest_journal.h"
#include "catalogue/json_catalogue.h"
#include "catalogue/read_ahead.h"
#include "catalogue/tree_walk.h"
#include "compare/compare.h"
#include "platform/fakes/fake_controls.h"
#include "platform/fakes/fake_file_system.h"
#include "platform/fakes/fake_system.h"
#include "platform/text_case.h"
#include "platform/utf8.h"
#include "support/fake_feedback.h"
#include "support/golden.h"
#include "writers/writers.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace dorvantile {
namespace {

using fakes::FakeFileSystem;

// Names that CSV and JSON must keep (a quote, a comma, a line end, a byte that is not
// UTF-8), links, a folder and a file that cannot be read, one that vanishes, and entries
// left out: hidden, a system entry, and what --exclude names.
void makeTree(FakeFileSystem& fs) {
    std::int64_t t = 1733000000;
    for (const char* file :
         {"/Docs/Report.DOC", "/Docs/a,\"b\"\nc", "/Docs/caf\xE9", "/Docs/x.tmp", "/Docs/.hidden",
          "/Docs/Old/A.TXT", "/Docs/Cache/c", "/Docs/Secret", "/Docs/gone", "/Docs/Locked/l"})
        fs.addEntry(file),
            fs.setDetails(file, {static_cast<std::uint64_t>(t % 977), {t += 86399, 5}});
    fs.addEntry("/Docs/to-report", Link), fs.setDetails("/Docs/to-report", {1234, {t, 0}});
    fs.addEntry("/Docs/dangling", Link),
        fs.setDetails("/Docs/dangling", {7, {-1, 999999999}, true});
    for (const char* file :
         {"/Docs/Q\"\xE9/f", "/Docs/Q\"\xE9/g\xE9\""}) // beneath a name to escape
        fs.addEntry(file), fs.setDetails(file, {3, {t, 5}});
    fs.addEntry("/Docs/fifo", System);
    fs.setDetails("/Docs", {0, {t + 1, 123456789}});
    fs.failDetails("/Docs/Secret", std::errc::permission_denied);
    fs.failDetails("/Docs/gone", std::errc::no_such_file_or_directory);
    fs.failFolder("/Docs/Locked", std::errc::permission_denied);
}

const ListingOptions listing{false, {"Cache", "*.tmp"}, true};

struct Catalogue {
    explicit Catalogue(FakeFileSystem& f) : fs(f) {}
    FakeFileSystem& fs;
    fakes::FakeFeedback feedback;
    fakes::FakeOutputFiles files;

    std::string write(bool json) {
        files.folders = {"/out"};
        TreeWalk walk(fs, "/Docs", listing, feedback);
        OutputFile out = OutputFile::open(files, "/out/c");
        const RunDescription run{"/Docs", {1765000000, 1}, "host"};
        writeCatalogue(walk, *(json ? jsonCatalogue : csvCatalogue)({&out, nullptr, &run}));
        out.commit();
        return files.files["/out/c"].content;
    }
};

std::string compared(const std::string& older, const std::string& newer, bool json,
                     ComparisonResult& result) {
    fakes::FakeInputFiles inputs;
    inputs.files = {{"old", older}, {"new", newer}};
    std::unique_ptr<ReadableFile> a, b;
    EXPECT_FALSE(inputs.open("old", a) || inputs.open("new", b));
    JsonCatalogueReader oldReader(std::move(a), "old"), newReader(std::move(b), "new");
    fakes::FakeOutputFiles files;
    files.folders = {"/out"};
    OutputFile out = OutputFile::open(files, "/out/d");
    const std::unique_ptr<DifferenceReport> report =
        json ? jsonDifferences(out, "old", "new") : textDifferences(out);
    std::string warnings;
    result = CompareCatalogues({oldReader, "old", newReader, "new"}, *report,
                               [&](const std::string& w) { warnings += w + "\n"; });
    out.commit();
    return warnings + files.files["/out/d"].content;
}

TEST(DataWriters, CsvJsonAndTheirDifferencesMatchTheGoldenFiles) {
    FakeFileSystem fs;
    makeTree(fs);
    Catalogue c{fs};
    EXPECT_EQ(testing::compareWithGolden("details.csv", c.write(false)), "");
    const std::string older = c.write(true);
    EXPECT_EQ(testing::compareWithGolden("details.json", older), "");
    std::vector<std::string> reported;
    for (std::size_t i = 0; i + 1 < c.feedback.unreadable.size(); i += 2) {
        const auto& u = c.feedback.unreadable;
        reported.push_back(u[i].first + ": " + u[i].second.message() + "\n" + u[i + 1].first +
                           ": " + u[i + 1].second.message());
    }
    EXPECT_EQ(reported, (std::vector<std::string>(2, "/Docs/Secret: Permission denied\n"
                                                     "/Docs/Locked: Permission denied")));

    // Added, removed, grown, touched, a link turned dangling, an added folder; then the
    // same catalogue on both sides.
    fs.addEntry("/Docs/New/n"), fs.addEntry("/Docs/b.txt");
    fs.setDetails("/Docs/Report.DOC", {1, {5, 0}});
    fs.setDetails("/Docs/Old/A.TXT", {1024, {1733086404, 6}});
    fs.setDetails("/Docs/to-report", {1234, {1, 0}, true});
    fs.failDetails("/Docs/caf\xE9", std::errc::no_such_file_or_directory);
    const std::string newer = c.write(true);
    ComparisonResult result;
    const std::string text = compared(older, newer, false, result);
    const std::string json = compared(older, newer, true, result);
    EXPECT_EQ(testing::compareWithGolden("compare.txt", text + json), "");
    EXPECT_EQ(result.added + result.removed * 10 + result.changed * 100, 3 + 10 + 300);
    EXPECT_TRUE(result.incomplete && result.failure.empty());
    std::string crlf = newer; // as a tool of CR LF lines leaves it
    for (std::size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2)
        crlf.insert(at, "\r");
    EXPECT_NE(compared(newer, crlf, false, result).find("\n0 added, 0 removed, 0 changed\n"),
              std::string::npos);
    EXPECT_FALSE(result.differs());

    // A folder read now, on a thread of its own, gives the entries of its catalogue.
    fakes::FakeFeedback quiet;
    ReadAhead walked(std::make_unique<TreeWalk>(fs, "/Docs", listing, quiet));
    fakes::FakeInputFiles inputs;
    inputs.files["new"] = newer;
    std::unique_ptr<ReadableFile> file;
    ASSERT_FALSE(inputs.open("new", file));
    JsonCatalogueReader reader(std::move(file), "new");
    struct Count final : DifferenceReport {
        int n = 0;
        void added(const ComparedEntry&) override { ++n; }
        void removed(const ComparedEntry&) override { ++n; }
        void changed(const ComparedEntry&, const ComparedEntry&) override { ++n; }
        void corrupted(const ComparedEntry&, const ComparedEntry&) override { ++n; }
        void finish(const ComparisonResult&) override {}
    } count;
    result = CompareCatalogues({walked, "folder", reader, "new"}, count, [](const std::string&) {});
    EXPECT_EQ(count.n, 0);
    EXPECT_EQ(result.failure, "");
}

// More entries than the queue between the threads holds: the walk waits for its reader, gives
// every entry in catalogue order, and stops when the reader goes early.
TEST(ReadAhead, WaitsForItsReaderAndStopsWhenItGoes) {
    FakeFileSystem fs;
    for (int i = 0; i < 10000; ++i)
        fs.addEntry("/Big/d" + std::to_string(i % 7) + "/f" + std::to_string(i));
    fakes::FakeFeedback quiet;
    std::vector<ComparedEntry> entries;
    {
        ReadAhead ahead(std::make_unique<TreeWalk>(fs, "/Big", listing, quiet));
        for (CatalogueEntry entry; ahead.next(entry);)
            entries.emplace_back().assign(entry);
    }
    ASSERT_EQ(entries.size(), 10000u + 8);
    for (std::size_t i = 1; i < entries.size(); ++i)
        ASSERT_LT(compareCatalogueOrder(entries[i - 1].kind, entries[i - 1].path, entries[i].kind,
                                        entries[i].path),
                  0)
            << entries[i].path;
    ReadAhead dropped(std::make_unique<TreeWalk>(fs, "/Big", listing, quiet));
    CatalogueEntry first;
    EXPECT_TRUE(dropped.next(first) && first.below.empty());
    // Time for the walk to fill the queue and wait; the reader goes while it waits.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
}

// Each line of the table damages the catalogue in one way (a line replaced, cut or added);
// the reader names the line, and nothing else is taken from it.
TEST(Compare, ADamagedCatalogueNamesItsLine) {
    FakeFileSystem fs;
    makeTree(fs);
    Catalogue c{fs};
    const std::string good = c.write(true);
    const auto line = [&](int n) {
        std::size_t at = 0;
        for (int i = 1; i < n; ++i)
            at = good.find('\n', at) + 1;
        return std::pair(at, good.find('\n', at) - at);
    };
    const auto replaced = [&](int n, const std::string& text) {
        const auto [at, length] = line(n);
        return std::string(good).replace(at, length, text);
    };
    const std::string time = "\"modified\":\"2001-01-01T00:00:00.000000000Z\"";
    const std::pair<std::string, std::string> cases[] = {
        {"", "old: line 1: empty, not a catalogue"},
        {"{\"name\":\"x\"}\n", "old: line 1: not a JSON catalogue of dorvantile-cli"},
        {replaced(1, "{\"catalogue\":\"dorvantile\",\"version\":2,\"entries\":["),
         "old: line 1: a catalogue of another version (2); this program reads version 1"},
        {replaced(1, "{\"catalogue\":\"dorvantile\",\"version\":1,\"entries\":["),
         "old: line 1: a damaged heading: its folder, time or host is missing or damaged"},
        {good.substr(0, line(4).first), "old: line 4: the catalogue ends before its totals"},
        {good.substr(0, line(4).first + 20),
         "old: line 4: not an entry of a catalogue: a string without its end"},
        {replaced(3, "{\"kind\":\"pipe\",\"path\":\"x\"},"),
         "old: line 3: an entry of an unknown kind"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"x\",\"size\":1," + time.substr(0, 13) +
                         "2001-02-29T00:00:00.000000000Z\"},"),
         "old: line 3: a modified time that is not an ISO 8601 time of a catalogue"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"?\",\"path_base64\":\"*\"},"),
         "old: line 3: a path_base64 that is not base64"},
        // Details that are missing or of the wrong type are damage, never "not known".
        {replaced(3, "{\"kind\":\"file\",\"path\":\"x\"},"),
         "old: line 3: a file without its size or time, and no error"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"x\",\"size\":\"5\"," + time + "},"),
         "old: line 3: 'size' is not a whole number"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"x\",\"size\":5,\"modified\":5},"),
         "old: line 3: 'modified' is not a string"},
        {replaced(2, "{\"kind\":\"folder\",\"path\":\"\"," + time + "},"),
         "old: line 2: a folder without its time or counts, and no error"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"x\x01\",\"size\":5," + time + "},"),
         "old: line 3: not an entry of a catalogue: a control character inside a string"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"x" + std::string(1, '\0') + "\",\"size\":5," +
                         time + "},"),
         "old: line 3: not an entry of a catalogue: a control character inside a string"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"abcdefghijk\x1f\",\"size\":5," + time + "},"),
         "old: line 3: not an entry of a catalogue: a control character inside a string"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"x\",\"size\":5," + time + ",\"sha256\":\"" +
                         std::string(60, 'f') + "0A00\"},"),
         "old: line 3: a sha256 that is not 64 hex digits of a file"},
        {replaced(3,
                  "{\"kind\":\"file\",\"path\":\"x\",\"size\":18446744073709551616," + time + "},"),
         "old: line 3: a size or a count larger than any file system holds"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"\\ud800x\",\"size\":5," + time + "},"),
         "old: line 3: not an entry of a catalogue: half a surrogate pair in a string"},
        {replaced(3, "{\"kind\":\"file\",\"path\":\"x\",\"size\":5e3," + time + "},"),
         "old: line 3: not an entry of a catalogue: no ',' or '}' after a value"},
        {replaced(3, line(3).second ? good.substr(line(6).first, line(6).second) : ""),
         "old: entry 3 is out of catalogue order: the catalogue is damaged"},
        {replaced(4, good.substr(line(3).first, line(3).second)), // an entry twice
         "old: entry 3 is out of catalogue order: the catalogue is damaged"},
        {replaced(2, good.substr(line(2).first, line(2).second - 1)),
         "old: line 3: an entry after the last one, or no comma on the line before"},
        {replaced(15, "],\"totals\":{\"folders\":3,\"files\":9,\"bytes\":1,\"errors\":4}}"),
         "old: line 15: totals that are not those of the entries: entries are missing or "
         "damaged"},
        {good + "{}\n", "old: line 16: more after the totals of line 15"},
        {std::string(good).insert(line(3).first + 1, std::string(1 << 20, ' ')),
         "old: line 3: a line longer than any entry"},
    };
    for (const auto& [text, failure] : cases) {
        ComparisonResult result;
        compared(text, good, false, result);
        EXPECT_EQ(result.failure, failure) << text.substr(0, 200);
    }

    // The same entry written with escapes, and a host beyond the first plane, is the same.
    const std::size_t size = good.find("\"size\"", line(3).first);
    std::string escaped = replaced(3, "{\"kind\":\"file\",\"path\":\"\\u0061,\\\"b\\\"\\u000Ac\"," +
                                          good.substr(size, line(3).first + line(3).second - size));
    escaped.replace(escaped.find("\"host\":\"host\""), 13, "\"host\":\"\\ud83d\\ude00\"");
    ComparisonResult same;
    EXPECT_NE(compared(escaped, good, false, same).find("0 added, 0 removed, 0 changed"),
              std::string::npos);
    EXPECT_EQ(same.failure, "");

    // A read that fails midway is a failure, never the end of the catalogue.
    fakes::FakeInputFiles inputs;
    inputs.files["old"] = good;
    std::unique_ptr<ReadableFile> file;
    ASSERT_FALSE(inputs.open("old", file));
    inputs.failures.failOn("read", std::errc::io_error, 3);
    JsonCatalogueReader reader(std::move(file), "old");
    CatalogueEntry entry;
    while (reader.next(entry)) {
    }
    EXPECT_EQ(reader.failure(), "old: line 1: cannot read: Input/output error");
}

TEST(DataText, TimesNamesAndBase64) {
    const std::pair<FileTime, const char*> times[] = {
        {{0, 0}, "1970-01-01T00:00:00.000000000Z"},
        {{-1, 999999999}, "1969-12-31T23:59:59.999999999Z"},
        {{-1, 5}, "1969-12-31T23:59:59.000000005Z"}, // the same second
        {{951782400, 7}, "2000-02-29T00:00:00.000000007Z"},
        {{951782401, 0}, "2000-02-29T00:00:01.000000000Z"}, // the same day
        {{253402300800, 0}, "+10000-01-01T00:00:00.000000000Z"},
        // Years of a hundred that are not leap years: the day after February 28th.
        {{-8515238400, 0}, "1700-03-01T00:00:00.000000000Z"},
        {{-2203891200, 0}, "1900-03-01T00:00:00.000000000Z"},
        {{4107542400, 0}, "2100-03-01T00:00:00.000000000Z"},
        {{10418889600, 0}, "2300-03-01T00:00:00.000000000Z"},
        {{-62167219201, 0}, "-0001-12-31T23:59:59.000000000Z"},
        // The last days of months, where the day's place in its year turns the month.
        {{1711843200, 0}, "2024-03-31T00:00:00.000000000Z"},
        {{1693440000, 0}, "2023-08-31T00:00:00.000000000Z"},
        {{1738281600, 0}, "2025-01-31T00:00:00.000000000Z"},
    };
    for (const auto& [time, text] : times) {
        std::string written;
        appendIsoTime(written, time);
        EXPECT_EQ(written, text);
        EXPECT_TRUE(parseIsoTime(text) == time) << text;
    }
    for (const char* wrong : {"2001-02-29T00:00:00.000000000Z", "1900-02-29T00:00:00.000000000Z",
                              "2001-04-31T00:00:00.000000000Z", "2001-01-32T00:00:00.000000000Z",
                              "2001-00-10T00:00:00.000000000Z", "1970-01-01T00:00:00Z",
                              "1970-01-01T24:00:00.000000000Z", "70-01-01T00:00:00.000000000Z"})
        EXPECT_FALSE(parseIsoTime(wrong)) << wrong;
    // Whether a text is UTF-8, wherever in it a fault lies, ASCII runs of any length around.
    for (std::size_t before = 0; before < 18; ++before) {
        const std::string ascii(before, 'a');
        EXPECT_TRUE(isValidUtf8(ascii + "\xC3\xA9" + ascii)) << before;
        EXPECT_FALSE(isValidUtf8(ascii + "caf\xE9" + ascii)) << before;
        EXPECT_FALSE(isValidUtf8(ascii + "\xED\xA0\x80")) << before;
    }

    std::string json;
    appendJsonString(json, "q\"\\/\x01\n\t\x7F caf\xE9 \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 "
                           "\xC0\x80\xED\xA0\x80\xF4\x90\x80\x80");
    std::string stray; // each byte of the overlong, surrogate and too high forms
    for (int i = 0; i < 9; ++i)
        stray += "\xEF\xBF\xBD";
    EXPECT_EQ(
        json,
        "\"q\\\"\\\\/\\u0001\\n\\t\x7F caf\xEF\xBF\xBD \xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80 " +
            stray + "\"");
    std::string every;
    for (int b = 0; b < 256; ++b)
        every.push_back(static_cast<char>(b));
    for (std::size_t n : {0, 1, 2, 3, 256}) {
        std::string encoded;
        appendBase64(encoded, every.substr(0, n));
        EXPECT_EQ(decodeBase64(encoded), every.substr(0, n));
    }
    EXPECT_FALSE(decodeBase64("YQ=") || decodeBase64("Y!=="));
    for (const char* stray : {"\x80", "\xC3", "\xFF"}) // each alone is not UTF-8
        EXPECT_FALSE(appendJsonInside(json, stray)) << static_cast<int>(*stray & 0xFF);
}

// An entry that could not be read is told of once for each side, whatever comes before it on
// the other.
TEST(Compare, WarnsOnceOfEachEntryThatCouldNotBeRead) {
    const auto catalogue = [](const std::string& files, int count) {
        return "{\"catalogue\":\"dorvantile\",\"version\":1,\"folder\":\"/d\",\"created\":"
               "\"2026-01-01T00:00:00.000000000Z\",\"host\":\"h\",\"entries\":[\n"
               "{\"kind\":\"folder\",\"path\":\"\",\"modified\":\"2026-01-01T00:00:00.000000000Z\","
               "\"files\":" +
               std::to_string(count) + ",\"bytes\":0},\n" + files +
               "\n],\"totals\":{\"folders\":0,\"files\":" + std::to_string(count) +
               ",\"bytes\":0,\"errors\":1}}\n";
    };
    const std::string locked = "{\"kind\":\"file\",\"path\":\"b\",\"error\":\"Permission denied\"}";
    const std::string added = "{\"kind\":\"file\",\"path\":\"a\",\"size\":0,\"modified\":"
                              "\"2026-01-01T00:00:00.000000000Z\"},\n";
    ComparisonResult result;
    EXPECT_EQ(compared(catalogue(locked, 1), catalogue(added + locked, 2), false, result),
              "old: cannot read b: Permission denied\nnew: cannot read b: Permission denied\n"
              "added file, 0 bytes, 2026-01-01T00:00:00.000000000Z: a\n"
              "1 added, 0 removed, 0 changed\n");
    EXPECT_TRUE(result.incomplete);
}

// Files before the sub-folders of their folder, a folder before everything beneath it, names
// in the platform's order.
TEST(Compare, EntriesComeInCatalogueOrder) {
    const auto F = EntryKind::Folder, f = EntryKind::File;
    const std::tuple<EntryKind, const char*, EntryKind, const char*> ordered[] = {
        {F, "", f, "a"},
        {f, "z", F, "a"},
        {F, "a", f, "a/b"},
        {f, "a/z", F, "a/b"},
        {f, "a", f, "B"},
        {f, "A", f, "a"},
        {F, "ab", F, "ab/c"},
        {F, "ab/c", F, "ab/cd"},
        {f, "x", F, "x"},
        {F, "a/b/c", F, "a/c"},
        {f, "\xC3\xA9", f, "\xC3\x89t"},
    };
    for (const auto& [kindA, a, kindB, b] : ordered) {
        EXPECT_LT(compareCatalogueOrder(kindA, a, kindB, b), 0) << a << " " << b;
        EXPECT_GT(compareCatalogueOrder(kindB, b, kindA, a), 0) << a << " " << b;
        EXPECT_EQ(compareCatalogueOrder(kindA, a, kindA, a), 0) << a;
    }
}

} // namespace
} // namespace dorvantile

namespace dorvantile {
namespace {

// A name wider than the page goes on over the next lines, each indented further, and every
// character of it is printed; a name that fits is one line at its place.
TEST(Printout, ANameTooWideForThePageGoesOnOverTheNextLines) {
    fakes::Journal journal;
    fakes::RecordingPrintSurface surface(journal);
    surface.width = 2000; // 20 bytes at x 0; a name at x 600 has 14, then 11, 8...
    const std::string longName = "abcdefghijklmnopqrstuvwxyz0123456789-\xC3\xA9t\xC3\xA9.txt";
    {
        const Writer writer = printedCatalogue({nullptr, &surface});
        CatalogueEntry entry;
        entry.folder = "/w";
        writer->entry(entry);
        entry.kind = EntryKind::File;
        for (const std::string& name : {std::string("short.txt"), longName}) {
            entry.name = name;
            writer->entry(entry);
        }
        writer->finish({});
    }
    std::vector<std::string> printed; // the file lines, each after the x it is printed at
    std::string x, whole;
    for (const std::string& call : journal) {
        if (call == "Print ") // the section's end: the totals follow
            break;
        if (call.starts_with("CurrentX "))
            x = call.substr(9);
        else if (call.starts_with("Print ") && (x == "600" || x == "900" || x == "1000"))
            printed.push_back(x + " " + call.substr(6)), whole += call.substr(6), x.clear();
    }
    ASSERT_GE(printed.size(), 4u);
    EXPECT_EQ(printed[0], "600 short.txt");
    EXPECT_EQ(printed[1], "600 abcdefghijklmn");
    EXPECT_EQ(printed[2], "900 opqrstuvwxy");
    // Nothing lost, no character cut: the lines put together are the name in lower case.
    EXPECT_EQ(whole, "short.txt" + toLower(longName));
}

} // namespace
} // namespace dorvantile

namespace dorvantile {
namespace {

// A journal's lines in catalogue order come back as the files they name; a line cut off at
// the end, as a killed run leaves it, is no file; and where a journal and a catalogue both
// name a file, the journal's digest is the one taken.
TEST(DigestJournal, ReadsWhatWasWrittenWholeAndIsPreferred) {
    const std::string a(64, 'a'), b(64, 'b'), c(64, 'c');
    fakes::FakeInputFiles inputs;
    inputs.files["/journal"] = "f " + a + " 3 100 5 " + "eC50eHQ=\n" + // x.txt
                               "l " + b + " 7 -2 0 " + "ZC95" + "\n" + // d/y, a link
                               "f " + c + " 1 1 1 ei50";               // cut off
    inputs.files["/older"] = "f " + c + " 3 100 5 eC50eHQ=\nf " + c + " 2 2 2 ZC9h\n"; // x.txt, d/a
    const auto read = [&](const std::string& path) {
        std::unique_ptr<ReadableFile> file;
        EXPECT_FALSE(inputs.open(path, file));
        return std::make_unique<JournalReader>(std::move(file));
    };
    std::vector<std::string> got;
    PreferredStream both(read("/journal"), read("/older"));
    for (CatalogueEntry entry; both.next(entry);) {
        std::string path;
        got.push_back(std::string(kindName(entry.kind)) + " " + appendPathBelow(path, entry) + " " +
                      std::to_string(entry.size) + " " + std::to_string(entry.modified.seconds) +
                      " " + std::string(entry.sha256, 0, 1));
    }
    EXPECT_EQ(
        got, (std::vector<std::string>{"file x.txt 3 100 a", "file d/a 2 2 c", "link d/y 7 -2 b"}));
    // Written, it takes the first number no other run has, and gives back its own lines.
    fakes::FakeOutputFiles files;
    files.files["/j.1"].content = "another run's\n";
    {
        DigestJournal journal(files, "/j.", 1);
        CatalogueEntry entry;
        entry.kind = EntryKind::File, entry.name = "x.txt", entry.sha256 = a, entry.size = 3;
        entry.modified = {100, 5};
        journal.add(entry);
        EXPECT_EQ(journal.made(), "/j.2");
    }
    EXPECT_EQ(files.files["/j.1"].content, "another run's\n");
    EXPECT_EQ(files.files["/j.2"].content, "f " + a + " 3 100 5 eC50eHQ=\n");
}

// An older line is taken as an entry's only where the names are the same bytes: a name with
// a backslash before a quote is never taken for the line of the name whose quote the line
// escapes so, wherever in the name they stand; nor is a line of another size.
TEST(JsonEntryHead, MatchesTheLineOfTheSameNameAlone) {
    const auto file = [](std::string_view name, std::uint64_t size = 5) {
        CatalogueEntry entry;
        entry.kind = EntryKind::File;
        entry.folder = "/w/sub";
        entry.below = "sub";
        entry.name = name;
        entry.known = true;
        entry.size = size;
        entry.modified = {1765110000, 123456789};
        return entry;
    };
    std::vector<std::string> names = {"a\"bcdefghijklmnop", "abcdefghijklmnop\"q",
                                      "plain name, long.txt"};
    for (std::size_t size = 1; size < 8; ++size) { // a short name is looked at whole
        for (std::size_t at = 0; at < size; ++at) {
            names.push_back(std::string(size, 'q'));
            names.push_back(std::string(size, 'q').replace(at, 1, "\""));
        }
    }
    for (const std::string& quoted : names) {
        std::string slashed = quoted;
        if (const std::size_t quote = slashed.find('"'); quote != std::string::npos)
            slashed.insert(quote, "\\");
        std::string line;
        JsonEntryHead writer, reader;
        writer.append(line, file(quoted));
        EXPECT_EQ(reader.match(line + ",\"sha256\":\"", file(quoted)), line.size()) << quoted;
        EXPECT_EQ(reader.match(line, file(quoted, 6)), 0u) << quoted;
        if (slashed != quoted) {
            EXPECT_EQ(reader.match(line, file(slashed)), 0u) << slashed;
        }
    }
}

} // namespace
} // namespace dorvantile
