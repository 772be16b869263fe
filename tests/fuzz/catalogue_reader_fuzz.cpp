// The fuzz target of the JSON catalogue reader, the one parser of bytes from outside: the
// input handed out a few bytes at a time, so that lines are cut between reads, and every
// entry read. A second reader of the same bytes, read whole, is asked of each entry the
// first gives whether its line is that entry unchanged, as --reuse asks: where it says so,
// the digest and the text it gives are the entry's as the writer makes it. libFuzzer calls
// it in the fuzz build; catalogue_reader_replay.cpp calls it with each file of corpus/ as an
// ordinary test.
#include "catalogue/json_catalogue.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

/// The fuzz input as a file whose reads give 1, 2, ... 13 bytes, and again; or, `whole`, as
/// much as each read asks.
class Pieces final : public dorvantile::ReadableFile {
public:
    Pieces(const std::uint8_t* data, std::size_t size, bool whole = false)
        : data_(data), left_(size), whole_(whole) {}

    std::error_code read(char* into, std::size_t size, std::size_t& got) override {
        got = std::min({size, left_, whole_ ? size : piece_ % 13 + 1});
        ++piece_;
        std::copy_n(data_, got, into);
        data_ += got, left_ -= got;
        return {};
    }

private:
    const std::uint8_t* data_;
    std::size_t left_;
    bool whole_;
    std::size_t piece_ = 0;
};

/// The line the writer makes of `entry`, but for its error (an entry with one is never
/// taken unchanged).
std::string written(const dorvantile::CatalogueEntry& entry) {
    dorvantile::JsonEntryHead head;
    std::string line;
    head.append(line, entry);
    if (!entry.sha256.empty())
        line.append(",\"sha256\":\"").append(entry.sha256).append("\"");
    return line.append("}");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dorvantile::JsonCatalogueReader reader(std::make_unique<Pieces>(data, size), "fuzz");
    dorvantile::JsonCatalogueReader same(std::make_unique<Pieces>(data, size, true), "same");
    dorvantile::CatalogueEntry entry, other;
    std::size_t entries = 0;
    while (reader.next(entry)) {
        ++entries;
        std::string_view sha256, text;
        if (same.nextIfSame(entry, sha256, text)) {
            if (sha256 != entry.sha256 || text != written(entry))
                std::abort();
        } else if (!same.next(other) || other.kind != entry.kind || other.below != entry.below ||
                   other.name != entry.name || other.sha256 != entry.sha256) {
            std::abort();
        }
    }
    // Each entry takes a line of its own after the header line; once ended, a reader stays
    // ended with what it said.
    const std::string failure = reader.failure();
    if (entries > size / 2 || reader.next(entry) || reader.failure() != failure)
        std::abort();
    return 0;
}
