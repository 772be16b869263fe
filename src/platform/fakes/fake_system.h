// In-memory stand-ins for the output side of the file system and for the process's
// surroundings, each call able to fail on order.
#pragma once

#include "platform/environment.h"
#include "platform/input_files.h"
#include "platform/modules.h"
#include "platform/output_files.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace dorvantile::fakes {

/// Permission bits as they are written: 644.
std::string octal(unsigned mode);

/// Failures to order: the `call`-th call of an operation from now on (counted from 1) fails
/// with `error`.
class Failures {
public:
    void failOn(const std::string& operation, std::errc error, int call = 1) {
        planned_[{operation, calls_[operation] + call}] = error;
    }
    /// Counts a call of `operation`; its planned failure when this is the call it hits.
    std::error_code next(const std::string& operation) {
        const auto found = planned_.find({operation, ++calls_[operation]});
        return found == planned_.end() ? std::error_code() : std::make_error_code(found->second);
    }

private:
    std::map<std::pair<std::string, int>, std::errc> planned_;
    std::map<std::string, int> calls_;
};

/// Files in memory. The operations are "create", "open", "descriptor", "write",
/// "permissions", "owner", "link", "close", "rename" and "remove". Files are made without a name
/// until linked.
class FakeOutputFiles final : public OutputFiles {
public:
    struct File {
        std::string content;
        unsigned mode = 0600;
        unsigned owner = 1000, group = 1000;
        bool writable = true;
    };
    std::map<std::string, File> files;          ///< regular files by path
    std::set<std::string> folders;              ///< paths that are folders
    std::map<std::string, std::string> links;   ///< a link's path and the path it leads to
    std::map<std::string, std::string> devices; ///< FIFOs and devices, with what they took
    std::set<std::string> terminals;            ///< those of the devices that are terminals
    std::map<std::string, int> descriptorNames; ///< names of the process's open files
    std::map<int, std::string> streams;         ///< what each open file took; 1 standard output
    std::vector<std::string> journal;           ///< "write N path", "rename a b", ...
    unsigned umask = 022;
    Failures failures;

    PathTarget inspect(const std::string& path) override;
    std::error_code createUnique(const std::string& prefix, std::string& name,
                                 std::unique_ptr<WritableFile>& file) override;
    std::error_code createHeld(const std::string& path,
                               std::unique_ptr<WritableFile>& file) override;
    std::error_code openExisting(const std::string& path,
                                 std::unique_ptr<WritableFile>& file) override;
    std::error_code descriptor(int descriptor, std::unique_ptr<WritableFile>& file) override;
    std::error_code rename(const std::string& from, const std::string& to,
                           const std::function<void()>& whileWaiting) override;
    std::error_code remove(const std::string& path) override;
    std::error_code removeUnheld(const std::string& path) override;
    unsigned newFileMode() override { return 0666 & ~umask; }

    int made = 0; ///< files named so far
};

/// Files to read, from memory. The operations are "open" and "read"; every read gives at
/// most `chunk` bytes, so that a reader meets lines cut between reads.
class FakeInputFiles final : public InputFiles {
public:
    std::map<std::string, std::string> files;
    std::size_t chunk = 7;
    Failures failures;

    std::error_code open(const std::string& path, std::unique_ptr<ReadableFile>& file) override;
};

/// Every capability of the process's surroundings, from memory.
class FakeEnvironment final : public ProcessContext,
                              public UserFolders,
                              public MountTable,
                              public Machine,
                              public ProgramStarter {
public:
    std::map<std::string, std::string> variables;
    std::string program;
    std::optional<std::string> home;        ///< in the password database
    std::set<std::string> writable;         ///< folders the user may write in
    std::set<std::string> folders;          ///< folders made so far
    std::set<std::string> ownerOnlyFolders; ///< those of them made for their owner alone
    std::set<std::string> files;            ///< other entries that exist
    std::string working = "/";
    std::string mounts;
    std::vector<std::vector<std::string>> started;
    Failures failures; ///< "makeFolder", "workingFolder", "mountTable", "startProgram"

    std::optional<std::string> variable(const std::string& name) override {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    }
    std::optional<std::string> passwordHome() override { return home; }
    std::string programPath() override { return program; }
    bool exists(const std::string& path) override {
        return files.count(path) > 0 || folders.count(path) > 0;
    }
    bool mayWriteIn(const std::string& folder) override { return writable.count(folder) > 0; }
    std::error_code makeFolder(const std::string& path, bool ownerOnly) override {
        if (std::error_code error = failures.next("makeFolder"))
            return error;
        if (ownerOnly && !folders.count(path))
            ownerOnlyFolders.insert(path);
        folders.insert(path);
        return {};
    }
    std::error_code workingFolder(std::string& folder) override {
        folder = working;
        return failures.next("workingFolder");
    }
    std::error_code read(std::string& text) override {
        text = mounts;
        return failures.next("mountTable");
    }
    std::string host = "host";
    FileTime now{1765000000, 0};
    std::string hostName() override { return host; }
    FileTime currentTime() override { return now; }
    unsigned processors() override { return 2; }
    std::error_code startProgram(const std::vector<std::string>& command) override {
        started.push_back(command);
        return failures.next("startProgram");
    }
};

/// Modules in memory, each file with its entry points. A file not held cannot be loaded and a
/// name not held is not found, with the dynamic linker's words.
class FakeModuleLoader final : public ModuleLoader {
public:
    std::map<std::string, std::map<std::string, void*>> modules;

    std::unique_ptr<Module> load(const std::string& path, std::string& reason) override;
};

} // namespace dorvantile::fakes
