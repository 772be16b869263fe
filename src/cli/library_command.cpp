#include "cli/library_command.h"

#include "catalogue/checksums.h"
#include "catalogue/codecs.h"
#include "catalogue/json_catalogue.h"
#include "catalogue/read_ahead.h"
#include "catalogue/tree_walk.h"
#include "cli/headless.h"
#include "general/shown_text.h"
#include "library/indexes.h"
#include "library/search.h"
#include "library/sqlite_library.h"
#include "platform/attributes.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/posix_environment.h"
#include "platform/posix_file_system.h"
#include "platform/posix_input_files.h"
#include "platform/posix_output_files.h"
#include "platform/posix_shell.h"
#include "platform/text_case.h"
#include "writers/writers.h"

#include <algorithm>
#include <cstdio>
#include <future>
#include <map>
#include <optional>

namespace dorvantile::cli {
namespace {

/// Appends `field` to a line of text output, a tab before it unless it is the first; its
/// control characters (a tab, a line end) shown as "?", so that fields and lines stay apart.
void appendField(std::string& line, std::string_view field) {
    std::string shown(field);
    replaceControls(shown);
    if (!line.empty())
        line.push_back('\t');
    line.append(shown);
}

/// The library's file: --library, else $DORVANTILE_LIBRARY, else library.sqlite in the app
/// folder. Empty, with a message reported, when there is none.
std::string libraryFile(const Options& options, PosixEnvironment& environment) {
    std::optional<std::string> path = options.library;
    if (!path)
        path = environment.variable("DORVANTILE_LIBRARY");
    if (path && !path->empty()) {
        if (path->front() == '/')
            return *path;
        std::string working;
        if (std::error_code error = environment.workingFolder(working)) {
            report("cannot find the working folder: " + error.message());
            return {};
        }
        return withSeparator(working) + *path;
    }
    std::string problem;
    const std::string folder = appFolder(environment, environment, problem);
    if (folder.empty())
        report("no folder for the library: " + problem + "; give one with --library");
    return folder.empty() ? folder : withSeparator(folder) + "library.sqlite";
}

/// The library open, or null with a message reported.
std::unique_ptr<SqliteLibrary> openLibrary(const Options& options, PosixEnvironment& environment,
                                           bool make) {
    const std::string path = libraryFile(options, environment);
    if (path.empty())
        return nullptr;
    try {
        return std::make_unique<SqliteLibrary>(path, make);
    } catch (const LibraryError& error) {
        report(error.what());
        return nullptr;
    }
}

/// The catalogues of `all` (the library's) that `options.in` names (all when it names none),
/// or nothing with a message reported when one is not in the library.
std::optional<std::vector<StoredCatalogue>>
chosenCatalogues(const Options& options, const std::vector<StoredCatalogue>& all,
                 const std::string& path) {
    if (options.in.empty())
        return all;
    std::vector<StoredCatalogue> chosen;
    for (const StoredCatalogue& catalogue : all) {
        if (std::find(options.in.begin(), options.in.end(), catalogue.name) != options.in.end())
            chosen.push_back(catalogue);
    }
    for (const std::string& name : options.in) {
        if (std::none_of(chosen.begin(), chosen.end(),
                         [&](const StoredCatalogue& c) { return c.name == name; })) {
            report("no catalogue " + name + " in library " + path);
            return std::nullopt;
        }
    }
    return chosen;
}

/// Writes `text` to standard output; false, with a message, when it cannot take it.
bool emit(const std::string& text) {
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        report("cannot write standard output");
        return false;
    }
    return true;
}

bool finishOutput() {
    if (std::fflush(stdout) != 0) {
        report("cannot write standard output");
        return false;
    }
    return true;
}

/// The first entry of a stream read before the rest: a catalogue read back says which run
/// made it only once its first entry is read.
class Peeked final : public EntryStream {
public:
    explicit Peeked(EntryStream& stream) : stream_(stream) { first_ = stream_.next(entry_); }
    bool next(CatalogueEntry& entry) override {
        if (given_)
            return stream_.next(entry);
        given_ = true;
        entry = entry_;
        return first_;
    }
    std::string failure() const override { return stream_.failure(); }
    Totals totals() const override { return stream_.totals(); }

private:
    EntryStream& stream_;
    CatalogueEntry entry_;
    bool first_ = false, given_ = false;
};

/// A stream whose entries also go to a sink as they pass, and its end when it ends whole.
class Teed final : public EntryStream {
public:
    Teed(std::unique_ptr<EntryStream> source, CatalogueSink& sink)
        : source_(std::move(source)), sink_(sink) {}
    bool next(CatalogueEntry& entry) override {
        if (source_->next(entry)) {
            sink_.entry(entry);
            return true;
        }
        if (source_->failure().empty())
            sink_.finish(source_->totals());
        return false;
    }
    std::string failure() const override { return source_->failure(); }
    Totals totals() const override { return source_->totals(); }

private:
    std::unique_ptr<EntryStream> source_;
    CatalogueSink& sink_;
};

/// A sink that keeps nothing.
class NoSink final : public CatalogueSink {
public:
    void entry(const CatalogueEntry&) override {}
    void finish(const Totals&) override {}
};

/// The last part of `folder`, the name a catalogue takes by default.
std::string lastPart(std::string_view folder) {
    while (folder.size() > 1 && folder.ends_with('/'))
        folder.remove_suffix(1);
    const std::size_t slash = folder.rfind('/');
    return std::string(
        slash == std::string_view::npos || folder.size() == 1 ? folder : folder.substr(slash + 1));
}

int add(const Options& options, SqliteLibrary& library, PosixEnvironment& environment) {
    std::string working = "/";
    if (options.operand.front() != '/') {
        if (std::error_code error = environment.workingFolder(working)) {
            report("cannot find the working folder: " + error.message());
            return 2;
        }
    }
    std::string source = normalizeFolder(options.operand, working);
    PosixFileSystem fileSystem;
    const std::optional<unsigned> bits = fileSystem.attributes(source);
    if (!bits) {
        report(source + ": " + std::generic_category().message(errno));
        return 2;
    }
    StoredCatalogue described;
    std::unique_ptr<EntryStream> entries;
    TerminalFeedback feedback(options.progress);
    JsonCatalogueReader* reader = nullptr;
    if ((*bits & Directory) != 0) {
        fileSystem.refresh(source);
        auto walk = std::make_unique<TreeWalk>(
            fileSystem, source, ListingOptions{options.hidden, options.excluded, true}, feedback);
        if (std::error_code error = walk->start()) {
            report(chosenFolderError(source, error));
            return 2;
        }
        described.run = {source, environment.currentTime(), environment.hostName(),
                         options.checksum};
        PosixVolumes volumes;
        volumes.namesOf(source, described.uuid, described.label);
        described.name =
            options.name.value_or(described.label.empty() ? lastPart(source) : described.label);
        entries = std::move(walk);
        std::unique_ptr<EntryStream> reused;
        if (options.reuse && !(reused = reusedCatalogue(options)))
            return 2;
        if (options.checksum)
            entries = std::make_unique<DigestedStream>(
                std::move(entries), options.jobs ? options.jobs : environment.processors(),
                feedback, std::move(reused));
    } else {
        PosixInputFiles inputs;
        std::unique_ptr<ReadableFile> file;
        if (std::error_code error = inputs.open(source, file)) {
            report("cannot read " + source + ": " + error.message());
            return 2;
        }
        auto read = std::make_unique<JsonCatalogueReader>(std::move(file), options.operand);
        reader = read.get();
        entries = std::move(read);
    }
    // Two threads share the work: one walks the folder (or parses the catalogue) and makes
    // the search index from the entries, the other stores them.
    IndexBuilder index;
    entries = std::make_unique<ReadAhead>(std::make_unique<Teed>(std::move(entries), index));
    Peeked peeked(*entries);
    if (reader) {
        if (std::string failure = reader->failure(); !failure.empty()) {
            report(failure);
            return 2;
        }
        described.run = reader->run();
        described.name = options.name.value_or(lastPart(described.run.folder));
    }
    try {
        const std::vector<StoredCatalogue> before = library.catalogues();
        NoSink nothing;
        const StoredCatalogue stored = library.add(described, peeked, nothing);
        PosixOutputFiles files;
        LibraryIndexes kept(library, library.path(), files, environment);
        kept.keep(stored, index);
        for (const StoredCatalogue& old : before) {
            if (old.name == stored.name)
                kept.forget(old.id);
        }
        kept.keepShared(library.catalogues());
    } catch (const LibraryError& error) {
        report(error.what());
        return 2;
    }
    return feedback.incomplete() ? 2 : 0;
}

void appendTime(std::string& out, FileTime time) {
    std::string iso;
    appendIsoTime(iso, time);
    // Seconds are enough for people; the data formats keep every digit.
    const std::size_t dot = iso.rfind('.');
    out.append(iso.substr(0, dot == std::string::npos ? iso.size() - 1 : dot)).push_back('Z');
}

int list(const Options& options, SqliteLibrary& library) {
    PosixVolumes volumes;
    PosixFileSystem fileSystem;
    const bool json = options.format == "json";
    std::string out = json ? "{\"catalogues\":[" : "";
    bool first = true;
    for (const StoredCatalogue& catalogue : library.catalogues()) {
        const std::optional<unsigned> bits = fileSystem.attributes(catalogue.run.folder);
        const bool present = volumes.mounted(catalogue.uuid) || (bits && (*bits & Directory) != 0);
        if (json) {
            out.append(first ? "\n{" : ",\n{");
            appendJsonName(out, "name", catalogue.name);
            out.push_back(',');
            appendJsonName(out, "folder", catalogue.run.folder);
            out.append(",\"host\":");
            appendJsonString(out, catalogue.run.host);
            out.append(",\"time\":\"");
            appendIsoTime(out, catalogue.run.started);
            out.append("\",\"folders\":");
            appendDecimal(out, catalogue.totals.folders);
            out.append(",\"files\":");
            appendDecimal(out, catalogue.totals.files);
            out.append(",\"bytes\":");
            appendDecimal(out, catalogue.totals.bytes);
            out.append(",\"uuid\":");
            appendJsonString(out, catalogue.uuid);
            out.append(",\"label\":");
            appendJsonString(out, catalogue.label);
            out.append(catalogue.run.checksums ? ",\"checksums\":true" : ",\"checksums\":false");
            out.append(present ? ",\"present\":true}" : ",\"present\":false}");
        } else {
            std::string line, time, files, bytes;
            appendField(line, catalogue.name);
            appendField(line, catalogue.run.folder);
            appendField(line, catalogue.run.host);
            appendTime(time, catalogue.run.started);
            appendDecimal(files, catalogue.totals.files);
            appendDecimal(bytes, catalogue.totals.bytes);
            appendField(line, time);
            appendField(line, files + (catalogue.totals.files == 1 ? " file" : " files"));
            appendField(line, bytes + (catalogue.totals.bytes == 1 ? " byte" : " bytes"));
            appendField(line, present ? "present" : "absent");
            out.append(line).push_back('\n');
        }
        first = false;
    }
    if (json)
        out.append("\n]}\n");
    return emit(out) && finishOutput() ? 0 : 2;
}

int remove(const Options& options, SqliteLibrary& library, PosixEnvironment& environment) {
    try {
        std::int64_t id = 0;
        for (const StoredCatalogue& catalogue : library.catalogues()) {
            if (catalogue.name == options.operand)
                id = catalogue.id;
        }
        if (!library.remove(options.operand)) {
            report("no catalogue " + options.operand + " in library " + library.path());
            return 2;
        }
        PosixOutputFiles files;
        LibraryIndexes indexes(library, library.path(), files, environment);
        indexes.forget(id);
        indexes.keepShared(library.catalogues());
    } catch (const LibraryError& error) {
        report(error.what());
        return 2;
    }
    return 0;
}

/// One hit as `--format` writes it.
void appendHit(std::string& out, const std::string& format, const StoredCatalogue& catalogue,
               const FoundEntry& found, bool first, bool safe) {
    const char* kind = kindName(found.kind);
    if (format == "json") {
        out.append(first ? "\n{" : ",\n{");
        appendJsonName(out, "catalogue", catalogue.name);
        out.push_back(',');
        appendJsonName(out, "path", found.path);
        out.append(",\"kind\":\"").append(kind).push_back('"');
        if (found.known) {
            out.append(",\"size\":");
            appendDecimal(out, found.size);
            out.append(",\"modified\":\"");
            appendIsoTime(out, found.modified);
            out.push_back('"');
        }
        if (!found.sha256.empty())
            out.append(",\"sha256\":\"").append(found.sha256).push_back('"');
        out.push_back('}');
    } else if (format == "csv") {
        appendCsvQuoted(out, catalogue.name, safe);
        out.push_back(',');
        appendCsvQuoted(out, found.path, safe);
        out.append(",").append(kind).push_back(',');
        if (found.known) {
            appendDecimal(out, found.size);
            out.push_back(',');
            appendIsoTime(out, found.modified);
        } else {
            out.push_back(',');
        }
        out.append(",").append(found.sha256).append("\r\n");
    } else {
        std::string line, size, time;
        appendField(line, catalogue.name);
        appendField(line, kind);
        if (found.known) {
            appendDecimal(size, found.size);
            appendTime(time, found.modified);
        }
        appendField(line, found.known ? size : "?");
        appendField(line, found.known ? time : "?");
        appendField(line, found.path);
        out.append(line).push_back('\n');
    }
}

/// The bearers of the names found, at most, that one thread gathers alone.
constexpr std::size_t smallSearch = 1 << 16;

int search(const Options& options, SqliteLibrary& library, PosixEnvironment& environment) {
    try {
        const SqliteLibrary::Snapshot reading(library);
        const std::vector<StoredCatalogue> all = library.catalogues();
        const auto chosen = chosenCatalogues(options, all, library.path());
        if (!chosen)
            return 2;
        const SearchPattern pattern(options.operand);
        PosixOutputFiles files;
        LibraryIndexes indexes(library, library.path(), files, environment);
        // The names of all catalogues are scanned once; then each catalogue that holds one of
        // the names found has its index loaded (made again where it must be) and searched for
        // its own of them, on as many threads as there are processors.
        const SharedNames shared = indexes.shared(all);
        const std::vector<std::uint32_t> named = shared.matching(pattern);
        const bool everyPath = options.paths && pattern.spansFolders(); // each put together
        std::vector<std::optional<CatalogueIndex>> loaded;
        std::vector<std::vector<std::uint32_t>> own;
        for (const StoredCatalogue& catalogue : *chosen) {
            own.push_back(shared.own(catalogue.id, named));
            // A catalogue that bears none of the names found has no hit: its index is left.
            loaded.push_back(everyPath || !own.back().empty()
                                 ? std::optional(indexes.load(catalogue))
                                 : std::nullopt);
        }
        const std::size_t limit = options.count ? 0 : options.limit.value_or(SIZE_MAX);
        std::vector<Hits> hits(loaded.size());
        std::atomic<std::size_t> next{0};
        const auto work = [&] {
            for (std::size_t i; (i = next++) < loaded.size();) {
                if (loaded[i])
                    hits[i] = searchIndex(*loaded[i], pattern, options.paths, options.filters,
                                          limit, &own[i]);
            }
        };
        // A few bearers to gather (a rare name) take less than a thread takes to start.
        const bool small = [&] {
            if (everyPath)
                return false;
            std::size_t bearers = 0;
            for (std::size_t i = 0; i < loaded.size(); ++i) {
                for (std::uint32_t name : own[i]) {
                    if (name < loaded[i]->distinct() &&
                        (bearers += loaded[i]->bearers(name).size()) > smallSearch)
                        return false;
                }
            }
            return true;
        }();
        std::vector<std::future<void>> workers;
        const std::size_t threads =
            small ? 1 : std::min<std::size_t>(environment.processors(), loaded.size());
        for (std::size_t t = 1; t < threads; ++t)
            workers.push_back(std::async(std::launch::async, work));
        work();
        for (auto& worker : workers)
            worker.get();
        std::uint64_t count = 0;
        for (const Hits& found : hits)
            count += found.count;
        const std::string& format = options.format.empty() ? "text" : options.format;
        if (options.count) {
            std::string out;
            if (format == "json")
                out = "{\"count\":" + std::to_string(count) + "}\n";
            else
                out = std::to_string(count) + "\n";
            return !emit(out) || !finishOutput() ? 2 : count > 0 ? 0 : 1;
        }
        std::string out = format == "json"  ? "{\"hits\":["
                          : format == "csv" ? "catalogue,path,kind,size,modified,sha256\r\n"
                                            : "";
        std::size_t left = limit, shown = 0;
        for (std::size_t i = 0; i < hits.size() && left > 0; ++i) {
            std::vector<std::uint32_t>& entries = hits[i].entries;
            if (entries.size() > left)
                entries.resize(left);
            left -= entries.size();
            library.find((*chosen)[i], entries, [&](std::uint32_t, const FoundEntry& found) {
                appendHit(out, format, (*chosen)[i], found, shown++ == 0, options.spreadsheetSafe);
                if (out.size() >= 1 << 16) {
                    if (!emit(out))
                        throw LibraryError("");
                    out.clear();
                }
            });
        }
        if (format == "json")
            out.append("\n],\"count\":" + std::to_string(count) + "}\n");
        if (!emit(out) || !finishOutput())
            return 2;
        return count > 0 ? 0 : 1;
    } catch (const LibraryError& error) {
        if (*error.what())
            report(error.what());
        return 2;
    }
}

int duplicates(const Options& options, SqliteLibrary& library) {
    try {
        const SqliteLibrary::Snapshot reading(library);
        const auto chosen = chosenCatalogues(options, library.catalogues(), library.path());
        if (!chosen)
            return 2;
        std::vector<std::int64_t> only;
        for (const StoredCatalogue& catalogue : *chosen)
            only.push_back(catalogue.id);
        // A file with a digest is grouped by it; any other by its size and its name in the
        // one case searches compare (a copy on a disk that ignores case is still a copy).
        struct Member {
            std::int64_t catalogue;
            std::uint32_t entry;
        };
        std::map<std::pair<std::uint64_t, std::string>, std::vector<Member>> groups;
        std::string key;
        library.files(options.filters.minSize.value_or(1),
                      options.in.empty() ? std::vector<std::int64_t>{} : only,
                      [&](std::int64_t catalogue, std::uint32_t entry, std::string_view name,
                          std::uint64_t size, std::string_view sha256) {
                          key.clear();
                          if (!sha256.empty())
                              key.append("#").append(sha256);
                          else
                              SearchPattern::fold(key.append("/"), name);
                          groups[{size, key}].push_back({catalogue, entry});
                      });
        std::vector<std::pair<const std::pair<std::uint64_t, std::string>*, std::vector<Member>*>>
            found;
        for (auto& [group, members] : groups) {
            if (members.size() > 1)
                found.emplace_back(&group, &members);
        }
        std::stable_sort(found.begin(), found.end(), [](const auto& a, const auto& b) {
            return static_cast<ByteCount>(a.first->first) * a.second->size() >
                   static_cast<ByteCount>(b.first->first) * b.second->size();
        });
        std::map<std::int64_t, const StoredCatalogue*> byId;
        for (const StoredCatalogue& catalogue : *chosen)
            byId[catalogue.id] = &catalogue;
        std::string out;
        for (const auto& [group, members] : found) {
            std::string heading;
            appendDecimal(heading, members->size());
            heading.append(" copies of ");
            appendDecimal(heading, group->first);
            heading.append(group->first == 1 ? " byte" : " bytes");
            out.append(heading).push_back('\n');
            for (const Member& member : *members) {
                const StoredCatalogue& catalogue = *byId.at(member.catalogue);
                library.find(catalogue, {member.entry},
                             [&](std::uint32_t, const FoundEntry& entry) {
                                 std::string line;
                                 appendField(line, catalogue.name);
                                 appendField(line, entry.path);
                                 out.append("\t").append(line).push_back('\n');
                             });
            }
            if (out.size() >= 1 << 16) {
                if (!emit(out))
                    return 2;
                out.clear();
            }
        }
        return emit(out) && finishOutput() ? 0 : 2;
    } catch (const LibraryError& error) {
        report(error.what());
        return 2;
    }
}

/// Every chosen catalogue as one tree: a folder of the library holding each catalogue, under
/// its name, as a folder whose path is its disk's.
class LibraryTree final : public EntryStream {
public:
    LibraryTree(Library& library, std::vector<StoredCatalogue> catalogues, std::string root)
        : library_(library), catalogues_(std::move(catalogues)), root_(std::move(root)) {}

    bool next(CatalogueEntry& entry) override {
        if (!started_) {
            started_ = true;
            entry = {};
            entry.folder = root_;
            entry.known = false;
            entry.files = 0;
            return true;
        }
        for (;;) {
            if (!current_) {
                if (at_ == catalogues_.size())
                    return false;
                current_ = library_.entries(catalogues_[at_]);
            }
            if (current_->next(entry)) {
                below_ = catalogues_[at_].name;
                if (!entry.below.empty())
                    below_.append("/").append(entry.below);
                entry.below = below_;
                if (entry.kind == EntryKind::Folder)
                    ++totals_.folders;
                else
                    ++totals_.files, totals_.bytes += entry.known ? entry.size : 0;
                return true;
            }
            if (std::string failure = current_->failure(); !failure.empty()) {
                failure_ = failure;
                return false;
            }
            current_.reset();
            ++at_;
        }
    }
    std::string failure() const override { return failure_; }
    Totals totals() const override { return totals_; }

private:
    Library& library_;
    std::vector<StoredCatalogue> catalogues_;
    std::string root_;
    std::size_t at_ = 0;
    bool started_ = false;
    std::unique_ptr<EntryStream> current_;
    std::string below_, failure_;
    Totals totals_;
};

int page(const Options& options, SqliteLibrary& library, PosixEnvironment& environment) {
    const auto chosen = chosenCatalogues(options, library.catalogues(), library.path());
    if (!chosen)
        return 2;
    std::string path;
    if (options.output) {
        path = *options.output;
        if (path != "-" && path.front() != '/') {
            std::string working;
            if (std::error_code error = environment.workingFolder(working)) {
                report("cannot find the working folder: " + error.message());
                return 2;
            }
            path = withSeparator(working) + path;
        }
    } else {
        std::string problem;
        const std::string folder = appFolder(environment, environment, problem);
        if (folder.empty()) {
            report("no folder for the page: " + problem + "; give one with --output");
            return 2;
        }
        path = withSeparator(folder) + "Library.html";
    }
    try {
        // The catalogues in the order of the tree: by name, as the library gives them.
        LibraryTree tree(library, *chosen, library.path());
        PosixOutputFiles files;
        OutputFile out = OutputFile::open(files, path);
        const RunDescription run{library.path(), environment.currentTime(), environment.hostName(),
                                 false};
        const Writer writer = explorerCatalogue({&out, nullptr, &run});
        writeCatalogue(tree, *writer);
        if (std::string failure = tree.failure(); !failure.empty()) {
            report(failure);
            return 2;
        }
        out.commit();
    } catch (const std::exception& error) { // LibraryError, CatalogueError
        report(error.what());
        return 2;
    }
    if (options.open && path != "-") {
        XdgOpenShell desktop(environment);
        desktop.open(path);
    }
    if (!options.output)
        report("page written to " + path);
    return 0;
}

/// A stored catalogue's entries with the library they are read from.
class HeldCatalogue final : public EntryStream {
public:
    HeldCatalogue(std::unique_ptr<SqliteLibrary> library, const StoredCatalogue& catalogue)
        : library_(std::move(library)), entries_(library_->entries(catalogue)) {}
    bool next(CatalogueEntry& entry) override {
        try {
            return entries_->next(entry);
        } catch (const LibraryError& error) {
            failure_ = error.what();
            return false;
        }
    }
    std::string failure() const override { return failure_; }
    Totals totals() const override { return entries_->totals(); }

private:
    std::unique_ptr<SqliteLibrary> library_;
    std::unique_ptr<EntryStream> entries_;
    std::string failure_;
};

} // namespace

std::unique_ptr<EntryStream> libraryCatalogue(const Options& options, const std::string& name) {
    PosixEnvironment environment;
    std::unique_ptr<SqliteLibrary> opened = openLibrary(options, environment, false);
    if (!opened)
        return nullptr;
    try {
        for (const StoredCatalogue& catalogue : opened->catalogues()) {
            if (catalogue.name == name)
                return std::make_unique<HeldCatalogue>(std::move(opened), catalogue);
        }
        report("no catalogue " + name + " in library " + opened->path());
    } catch (const LibraryError& error) {
        report(error.what());
    }
    return nullptr;
}

std::unique_ptr<EntryStream> reusedCatalogue(const Options& options) {
    const std::string& named = *options.reuse;
    if (named.starts_with(libraryPrefix))
        return libraryCatalogue(options, named.substr(libraryPrefix.size()));
    std::unique_ptr<ReadableFile> file;
    PosixInputFiles inputs;
    if (std::error_code error = inputs.open(named, file)) {
        report("cannot read " + named + ": " + error.message());
        return nullptr;
    }
    // Read on the walk's thread: an entry unchanged is known by its line's text.
    auto reader = std::make_unique<JsonCatalogueReader>(std::move(file), named);
    if (!reader->start()) {
        report(reader->failure());
        return nullptr;
    }
    return reader;
}

int library(const Options& options, int&, char**) {
    PosixEnvironment environment;
    std::unique_ptr<SqliteLibrary> opened =
        openLibrary(options, environment, options.action == "add");
    if (!opened)
        return 2;
    try {
        if (options.action == "add")
            return add(options, *opened, environment);
        if (options.action == "list")
            return list(options, *opened);
        if (options.action == "remove")
            return remove(options, *opened, environment);
        if (options.action == "search")
            return search(options, *opened, environment);
        if (options.action == "duplicates")
            return duplicates(options, *opened);
        return page(options, *opened, environment);
    } catch (const LibraryError& error) {
        report(error.what());
        return 2;
    }
}

} // namespace dorvantile::cli
