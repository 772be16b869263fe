// A manifest as sha256sum writes it, each file's digest and its path below the chosen folder,
// so that `sha256sum -c` run there checks the tree:
//
//   ca978112ca1bbdcafac231b39a23dc4da786eff8147c4e72b9807785afee48bb  Notes.TXT
//   \3e23e8160039594a33894f6564e1b1348bbd7a0088d42c4acb73eeaed59c009d  Old/two\nlines
//
// A path with a backslash or a line end is written as GNU sha256sum writes it: the line
// begins with "\", and the path has "\\" and "\n" for them. Where no path needs that, the file
// is also a BagIt manifest-sha256.txt (whose paths begin with "data/"). Files without a digest
// (unreadable, or a link that leads nowhere) are left out: the run's warnings name them.
#include "writers/writers.h"

namespace dorvantile {
namespace {

class Sha256sumManifest final : public CatalogueSink {
public:
    explicit Sha256sumManifest(OutputFile& out) : out_(out) {}

    void entry(const CatalogueEntry& entry) override {
        if (entry.sha256.empty())
            return;
        path_.clear();
        appendPathBelow(path_, entry);
        line_.clear();
        if (path_.find_first_of("\\\n") != std::string::npos) {
            line_.push_back('\\');
            std::string escaped;
            for (const char c : path_)
                escaped.append(c == '\\' ? "\\\\" : c == '\n' ? "\\n" : std::string(1, c));
            path_.swap(escaped);
        }
        out_.write(line_.append(entry.sha256).append("  ").append(path_).append("\n"));
    }

    void finish(const Totals&) override {}

private:
    OutputFile& out_;
    std::string path_;
    std::string line_;
};

} // namespace

Writer sha256sumCatalogue(const WriterTarget& target) {
    return std::make_unique<Sha256sumManifest>(*target.file);
}

} // namespace dorvantile
