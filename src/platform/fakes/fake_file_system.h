// An in-memory file system for tests of the logic, with failures to order.
#pragma once

#include "platform/attributes.h"
#include "platform/file_system.h"

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace dorvantile::fakes {

/// Folders and entries kept as given, yielded in the order they were added; like the real
/// file system it marks dot-names hidden and knows nothing of what a catalogue shows.
class FakeFileSystem final : public FileSystem {
public:
    /// Adds a folder and every folder above it.
    void addFolder(const std::string& path, unsigned attributes = Directory) {
        add(path, attributes);
        folders_.try_emplace(path);
    }
    /// Adds a file (or any entry) with the given bits, and the folders above it.
    void addEntry(const std::string& path, unsigned attributes = 0) { add(path, attributes); }
    /// Makes the enumeration of `folder` fail with `error` from now on, after its entries.
    void failFolder(const std::string& folder, std::errc error) { failures_[folder] = error; }
    /// The size and time of an entry (or a folder) at `path`; all zero unless given.
    void setDetails(const std::string& path, EntryDetails details) { details_[path] = details; }
    /// Makes asking for the details of `path` fail with `error`.
    void failDetails(const std::string& path, std::errc error) { detailFailures_[path] = error; }
    /// The content of the file at `path`, empty unless given; reading it fails with `error`
    /// when one is given.
    void setContent(const std::string& path, std::string content, std::error_code error = {}) {
        contents_[path] = {std::move(content), error};
    }
    /// How many times each file's content was read.
    std::map<std::string, int> reads;
    /// The folders open now (each a descriptor on a real file system), and the most at once.
    std::atomic<int> openFolders{0}, mostOpen{0};

    std::error_code openFolder(const std::string& folder,
                               std::unique_ptr<OpenFolder>& out) override {
        std::string key = folder;
        if (key.size() > 1 && key.back() == '/')
            key.pop_back();
        return open(key, out);
    }

    void refresh(const std::string& root) override { refreshed.push_back(root); }
    std::vector<std::string> refreshed;

    std::optional<unsigned> attributes(const std::string& path) override {
        const std::size_t slash = path.find_last_of('/');
        const auto found = folders_.find(slash == 0 ? "/" : path.substr(0, slash));
        if (found == folders_.end())
            return std::nullopt;
        for (const auto& [name, bits] : found->second) {
            if (name == path.substr(slash + 1))
                return bits;
        }
        return std::nullopt;
    }

private:
    // A failing folder yields its entries first, as a read that fails midway does.
    class Folder final : public OpenFolder {
    public:
        Folder(FakeFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {
            const int open = ++fs_.openFolders;
            for (int most = fs_.mostOpen;
                 most < open && !fs_.mostOpen.compare_exchange_weak(most, open);) {
            }
        }
        ~Folder() override { --fs_.openFolders; }

        std::error_code read(EntrySink& out) override {
            for (const auto& [name, bits] : fs_.folders_.at(path_))
                out.add(name, bits & ~unsigned{ReadOnly});
            if (auto failure = fs_.failures_.find(path_); failure != fs_.failures_.end())
                return std::make_error_code(failure->second);
            return {};
        }
        std::error_code details(EntryDetails& out) override { return fs_.detailsOf(path_, out); }
        std::error_code entryDetails(std::string_view name, unsigned, EntryDetails& out) override {
            return fs_.detailsOf(child(name), out);
        }
        std::error_code duplicate(std::unique_ptr<OpenFolder>& out) override {
            out = std::make_unique<Folder>(fs_, path_);
            return {};
        }
        std::error_code readContent(std::string_view name, bool, const EntryDetails&,
                                    ContentSink& out) override {
            const std::lock_guard lock(fs_.contentMutex_); // read on several threads
            const std::pair<std::string, std::error_code>& file = fs_.contents_[child(name)];
            ++fs_.reads[child(name)];
            if (!file.second)
                out.take(file.first);
            return file.second;
        }
        std::error_code openFolder(std::string_view name,
                                   std::unique_ptr<OpenFolder>& out) override {
            const std::optional<unsigned> bits = fs_.attributes(child(name));
            if (bits && (*bits & Link) != 0)
                return std::make_error_code(std::errc::not_a_directory);
            return fs_.open(child(name), out);
        }

    private:
        std::string child(std::string_view name) const {
            return (path_ == "/" ? "/" : path_ + "/") + std::string(name);
        }
        FakeFileSystem& fs_;
        std::string path_;
    };

    std::error_code open(const std::string& path, std::unique_ptr<OpenFolder>& out) {
        if (folders_.find(path) == folders_.end()) {
            // A folder that cannot be opened at all: one that fails with nothing in it.
            if (auto failure = failures_.find(path); failure != failures_.end())
                return std::make_error_code(failure->second);
            return std::make_error_code(attributes(path) ? std::errc::not_a_directory
                                                         : std::errc::no_such_file_or_directory);
        }
        out = std::make_unique<Folder>(*this, path);
        return {};
    }

    std::error_code detailsOf(const std::string& path, EntryDetails& out) {
        if (const auto failure = detailFailures_.find(path); failure != detailFailures_.end())
            return std::make_error_code(failure->second);
        const auto found = details_.find(path);
        out = found == details_.end() ? EntryDetails{} : found->second;
        return {};
    }

    void add(const std::string& path, unsigned attributes) {
        const std::size_t slash = path.find_last_of('/');
        const std::string parent = slash == 0 ? "/" : path.substr(0, slash);
        if (parent != "/" && folders_.find(parent) == folders_.end())
            addFolder(parent);
        const std::string name = path.substr(slash + 1);
        folders_[parent].emplace_back(name, attributes | (name[0] == '.' ? Hidden : 0u));
    }

    std::map<std::string, std::vector<std::pair<std::string, unsigned>>> folders_{{"/", {}}};
    std::map<std::string, std::errc> failures_;
    std::map<std::string, EntryDetails> details_;
    std::map<std::string, std::errc> detailFailures_;
    std::map<std::string, std::pair<std::string, std::error_code>> contents_;
    std::mutex contentMutex_;
};

} // namespace dorvantile::fakes
