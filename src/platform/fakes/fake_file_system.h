// An in-memory file system for tests of the logic, with failures to order.
#pragma once

#include "platform/attributes.h"
#include "platform/file_system.h"

#include <map>
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

    std::error_code enumerate(const std::string& folder, EntrySink& out) override {
        std::string key = folder;
        if (key.size() > 1 && key.back() == '/')
            key.pop_back();
        // A failing folder yields its entries first, as a read that fails midway does.
        const auto found = folders_.find(key);
        if (found != folders_.end()) {
            Details details(*this, key);
            out.begin(details);
            for (const auto& [name, bits] : found->second)
                out.add(name, bits & ~unsigned{ReadOnly});
        }
        if (auto failure = failures_.find(key); failure != failures_.end())
            return std::make_error_code(failure->second);
        if (found != folders_.end())
            return {};
        return std::make_error_code(attributes(key) ? std::errc::not_a_directory
                                                    : std::errc::no_such_file_or_directory);
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
    class Details final : public FolderDetails {
    public:
        Details(FakeFileSystem& fs, const std::string& folder) : fs_(fs), folder_(folder) {}
        std::error_code folder(EntryDetails& out) override { return fs_.detailsOf(folder_, out); }
        std::error_code entry(std::string_view name, unsigned, EntryDetails& out) override {
            return fs_.detailsOf((folder_ == "/" ? "/" : folder_ + "/") + std::string(name), out);
        }

    private:
        FakeFileSystem& fs_;
        std::string folder_;
    };

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
};

} // namespace dorvantile::fakes
