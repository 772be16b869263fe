// The fuzz target of the JSON catalogue reader, the one parser of bytes from outside: the
// input handed out a few bytes at a time, so that lines are cut between reads, and every
// entry read. libFuzzer calls it in the fuzz build; catalogue_reader_replay.cpp calls it with
// each file of corpus/ as an ordinary test.
#include "catalogue/json_catalogue.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

/// The fuzz input as a file whose reads give 1, 2, ... 13 bytes, and again.
class Pieces final : public dorvantile::ReadableFile {
public:
    Pieces(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}

    std::error_code read(char* into, std::size_t size, std::size_t& got) override {
        got = std::min({size, left_, piece_ % 13 + 1});
        ++piece_;
        std::copy_n(data_, got, into);
        data_ += got, left_ -= got;
        return {};
    }

private:
    const std::uint8_t* data_;
    std::size_t left_;
    std::size_t piece_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dorvantile::JsonCatalogueReader reader(std::make_unique<Pieces>(data, size), "fuzz");
    dorvantile::CatalogueEntry entry;
    std::size_t entries = 0;
    while (reader.next(entry))
        ++entries;
    // Each entry takes a line of its own after the header line; once ended, a reader stays
    // ended with what it said.
    const std::string failure = reader.failure();
    if (entries > size / 2 || reader.next(entry) || reader.failure() != failure)
        std::abort();
    return 0;
}
