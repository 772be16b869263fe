// Searches of an index made from a catalogue given entry by entry: the counts taken from the
// names' bearers and the folders' ranges agree with the hits listed one by one.
#include "library/search.h"
#include "library/shared_names.h"
#include "library/substring.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace dorvantile {
namespace {

struct Given {
    EntryKind kind;
    std::string below, name;
    std::uint64_t size;
};

CatalogueIndex indexOf(const std::vector<Given>& entries) {
    IndexBuilder builder;
    for (const Given& given : entries) {
        CatalogueEntry entry;
        entry.kind = given.kind;
        entry.below = given.below;
        entry.name = given.name;
        entry.known = true;
        entry.size = given.size;
        entry.modified = {static_cast<std::int64_t>(given.size) * 1000, 0};
        builder.entry(entry);
    }
    builder.finish({});
    return CatalogueIndex::inMemory(builder.bytes(1, 2));
}

TEST(LibrarySearch, CountsAgreeWithTheHitsListed) {
    using enum EntryKind;
    const CatalogueIndex index = indexOf({
        {Folder, "", "", 0},
        {File, "", "Photo.JPG", 10},
        {Folder, "Photos", "", 0},
        {File, "Photos", "a.txt", 20},
        {Folder, "Photos/Old", "", 0},
        {File, "Photos/Old", "photo copy.jpg", 30},
        {Folder, "Other", "", 0},
        {File, "Other",
         "\xC3\x9C"
         "ber photo",
         40},
        {Link, "Other", "x.jpg", 50},
        {File, "Other", "photo.jpg", 60}, // a name borne twice, its bearers apart
    });
    struct Case {
        const char* pattern;
        bool paths;
        SearchFilters filters;
        std::vector<std::uint32_t> hits;
    };
    const std::vector<Case> cases = {
        {"photo", false, {}, {1, 2, 5, 7, 9}},
        {"PHOTO*.jpg", false, {}, {1, 5, 9}},
        {"photo", true, {}, {1, 2, 3, 4, 5, 7, 9}}, // a folder's range, once
        {"photos/*", true, {}, {3, 4, 5}},          // "*" stays within a name
        {"s/o", true, {}, {4, 5}},
        {"?ber", false, {}, {7}}, // "?" is one character, not one byte
        {"*", false, {true, {}, {}, {}, {}}, {2, 4, 6}},
        {"photo", true, {false, 15, 45, {}, {}}, {3, 5, 7}},
        {"jpg", false, {{}, {}, {}, 35'000, 50'000}, {}}, // older is before, not at
        {"photo/", false, {}, {}},                        // a "/" matches no name
    };
    for (const Case& c : cases) {
        const SearchPattern pattern(c.pattern);
        const Hits listed = searchIndex(index, pattern, c.paths, c.filters, SIZE_MAX);
        EXPECT_EQ(listed.entries, c.hits) << c.pattern;
        EXPECT_EQ(searchIndex(index, pattern, c.paths, c.filters, 0).count, c.hits.size())
            << c.pattern;
        EXPECT_EQ(searchIndex(index, pattern, c.paths, c.filters, 1).entries.size(),
                  std::min<std::size_t>(1, c.hits.size()));
    }
}

// Catalogues that hold all, some, or a run of the names: each finds its own numbers of the
// shared names found, wherever in its list of pairs they lie.
TEST(LibrarySearch, EachCatalogueFindsItsOwnOfTheSharedNames) {
    const auto holds = std::vector<bool (*)(int)>{
        [](int) { return true; }, [](int n) { return n % 7 == 3; }, [](int n) { return n >= 2600; },
        [](int n) { return n < 400; }, [](int n) { return n == 1999 || n == 10; }};
    std::vector<StoredCatalogue> catalogues;
    std::vector<CatalogueIndex> indexes;
    for (std::size_t c = 0; c < holds.size(); ++c) {
        std::vector<Given> entries{{EntryKind::Folder, "", "", 0}};
        for (int n = 2999; n >= 0; --n) // met in another order than the shared numbers
            if (holds[c](n))
                entries.push_back({EntryKind::File, "", "n" + std::to_string(n), 1});
        indexes.push_back(indexOf(entries));
        catalogues.emplace_back().id = static_cast<std::int64_t>(c) + 1;
    }
    // A name met again after the table of names has grown is the same name.
    std::vector<Given> twice{{EntryKind::Folder, "", "", 0}};
    for (const char* folder : {"", "a"}) {
        if (*folder)
            twice.push_back({EntryKind::Folder, folder, "", 0});
        for (int n = 0; n < 2000; ++n)
            twice.push_back({EntryKind::File, folder, "n" + std::to_string(n), 1});
    }
    EXPECT_EQ(indexOf(twice).distinct(), 2000u + 2); // and the names "" and "a"
    std::vector<const CatalogueIndex*> built;
    for (const CatalogueIndex& index : indexes)
        built.push_back(&index);
    const SharedNames shared =
        SharedNames::inMemory(SharedNames::build(catalogues, built), catalogues);
    for (const char* text : {"n1", "9", "*", "n2999", "n0"}) {
        const SearchPattern pattern(text);
        const std::vector<std::uint32_t> named = shared.matching(pattern);
        for (std::size_t c = 0; c < holds.size(); ++c) {
            std::vector<std::string> found, expected;
            for (std::uint32_t own : shared.own(catalogues[c].id, named))
                found.emplace_back(indexes[c].names().name(own));
            for (int n = 0; n < 3000; ++n)
                if (holds[c](n) && pattern.matches("n" + std::to_string(n)))
                    expected.push_back("n" + std::to_string(n));
            if (pattern.matches(""))
                expected.emplace_back(); // the chosen folder's empty name
            std::sort(found.begin(), found.end());
            std::sort(expected.begin(), expected.end());
            EXPECT_EQ(found, expected) << text << " in catalogue " << c;
        }
    }
}

TEST(LibrarySearch, PiecesAreFoundWhereTheTextFindsThem) {
    // Texts of few letters, so that pieces stand often, at every place of the blocks the scan
    // compares at once, and across their ends.
    std::uint32_t seed = 7;
    const auto next = [&seed] { return (seed = seed * 1664525 + 1013904223) >> 24; };
    for (int round = 0; round < 3000; ++round) {
        std::string text(next() % 120, 'a'), piece(1 + next() % 40, 'a');
        for (char& c : text)
            c = static_cast<char>('a' + next() % 3);
        for (char& c : piece)
            c = static_cast<char>('a' + next() % 3);
        if (round % 2 == 0 && piece.size() <= text.size()) // one that stands, often at the end
            piece = text.substr(text.size() - piece.size() -
                                next() % (text.size() - piece.size() + 1) % 5);
        ASSERT_EQ(findPiece(text, piece), std::string_view(text).find(piece))
            << text << " " << piece;
    }
}

TEST(LibrarySearch, AnIndexIsOpenedOnlyWholeAndOfItsCatalogue) {
    IndexBuilder builder;
    builder.entry(CatalogueEntry{});
    builder.finish({});
    const std::string bytes = builder.bytes(7, 9);
    char path[] = "/tmp/dorvantile-index-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const auto opened = [&](std::size_t length, std::int64_t id, std::int64_t stamp) {
        EXPECT_EQ(ftruncate(fd, 0), 0);
        EXPECT_EQ(pwrite(fd, bytes.data(), length, 0), static_cast<ssize_t>(length));
        MappedFile mapped;
        EXPECT_FALSE(MappedFile::map(path, mapped));
        return CatalogueIndex::open(std::move(mapped), id, stamp).has_value();
    };
    EXPECT_TRUE(opened(bytes.size(), 7, 9));
    EXPECT_FALSE(opened(bytes.size(), 7, 8)); // made from an older form of its catalogue
    EXPECT_FALSE(opened(bytes.size(), 6, 9)); // of another catalogue
    EXPECT_FALSE(opened(bytes.size() - 1, 7, 9));
    EXPECT_FALSE(opened(40, 7, 9));
    close(fd);
    unlink(path);
}

} // namespace
} // namespace dorvantile
