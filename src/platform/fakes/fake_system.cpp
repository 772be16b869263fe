#include "platform/fakes/fake_system.h"

#include <algorithm>
#include <cstdio>

namespace dorvantile::fakes {

std::string octal(unsigned mode) {
    char digits[12];
    std::snprintf(digits, sizeof digits, "%o", mode);
    return digits;
}

namespace {

/// A file in memory: `content` is its own until it has a name in the files' map.
class MemoryFile final : public WritableFile {
public:
    MemoryFile(FakeOutputFiles& files, std::string path, std::string* content, Medium medium)
        : files_(files), path_(std::move(path)), content_(content ? content : &own_.content),
          medium_(medium) {}

    Medium medium() override { return medium_; }
    FileIdentity identity() override { return {0, reinterpret_cast<std::uintptr_t>(content_)}; }
    std::error_code write(std::string_view bytes) override {
        if (std::error_code error = call("write", std::to_string(bytes.size())))
            return error;
        content_->append(bytes);
        return {};
    }
    std::error_code setPermissions(unsigned mode) override {
        if (std::error_code error = call("permissions", octal(mode)))
            return error;
        file().mode = mode;
        return {};
    }
    std::error_code setOwner(unsigned owner, unsigned group) override {
        if (std::error_code error =
                call("owner", std::to_string(owner) + ":" + std::to_string(group)))
            return error;
        file().owner = owner, file().group = group;
        return {};
    }
    std::error_code link(std::string& name) override {
        if (content_ != &own_.content)
            return {};
        if (std::error_code error = call("link", {}))
            return error;
        name = path_ + std::to_string(100000 + ++files_.made);
        FakeOutputFiles::File& named = files_.files[name] = std::move(own_);
        content_ = &named.content; // a std::map node stays where it is
        path_ = name;
        return {};
    }
    std::error_code close() override { return call("close", {}); }

private:
    std::error_code call(const std::string& operation, const std::string& argument) {
        files_.journal.push_back(operation + (argument.empty() ? "" : " " + argument) + " " +
                                 path_);
        return files_.failures.next(operation);
    }
    FakeOutputFiles::File& file() {
        const auto named = files_.files.find(path_);
        return named == files_.files.end() ? own_ : named->second;
    }

    FakeOutputFiles& files_;
    std::string path_; // a file without a name goes by its prefix
    FakeOutputFiles::File own_;
    std::string* content_;
    Medium medium_;
};

} // namespace

PathTarget FakeOutputFiles::inspect(const std::string& path) {
    std::string real = path;
    for (int hops = 0; links.count(real); ++hops) {
        if (hops == 40)
            return PathTarget::unusable(make_error_code(std::errc::too_many_symbolic_link_levels));
        real = links[real];
    }
    if (const auto fd = descriptorNames.find(real); fd != descriptorNames.end()) {
        PathTarget target = PathTarget::of(PathTarget::Kind::Descriptor);
        target.descriptor = fd->second;
        return target;
    }
    if (folders.count(real))
        return PathTarget::of(PathTarget::Kind::Folder);
    if (devices.count(real))
        return PathTarget::of(PathTarget::Kind::Other);
    const auto found = files.find(real);
    if (found == files.end())
        return PathTarget::of(PathTarget::Kind::Missing, real);
    PathTarget target = PathTarget::of(PathTarget::Kind::RegularFile, real);
    const File& file = found->second;
    target.mode = file.mode, target.owner = file.owner, target.group = file.group;
    target.writable = file.writable;
    return target;
}

std::error_code FakeOutputFiles::createUnique(const std::string& prefix, std::string& name,
                                              std::unique_ptr<WritableFile>& file) {
    journal.push_back("create " + prefix);
    if (std::error_code error = failures.next("create"))
        return error;
    const std::size_t slash = prefix.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !folders.count(prefix.substr(0, slash)))
        return std::make_error_code(std::errc::no_such_file_or_directory);
    name.clear();
    file = std::make_unique<MemoryFile>(*this, prefix, nullptr, WritableFile::Medium::File);
    return {};
}

std::error_code FakeOutputFiles::createHeld(const std::string& path,
                                            std::unique_ptr<WritableFile>& file) {
    journal.push_back("create held " + path);
    if (std::error_code error = failures.next("open"))
        return error;
    if (files.count(path))
        return std::make_error_code(std::errc::file_exists);
    file =
        std::make_unique<MemoryFile>(*this, path, &files[path].content, WritableFile::Medium::File);
    return {};
}

std::error_code FakeOutputFiles::openExisting(const std::string& path,
                                              std::unique_ptr<WritableFile>& file) {
    journal.push_back("open " + path);
    if (std::error_code error = failures.next("open"))
        return error;
    file = std::make_unique<MemoryFile>(*this, path, &devices[path],
                                        terminals.count(path) ? WritableFile::Medium::Terminal
                                                              : WritableFile::Medium::Stream);
    return {};
}

std::error_code FakeOutputFiles::descriptor(int descriptor, std::unique_ptr<WritableFile>& file) {
    if (std::error_code error = failures.next("descriptor"))
        return error;
    file = std::make_unique<MemoryFile>(*this, "fd " + std::to_string(descriptor),
                                        &streams[descriptor], WritableFile::Medium::Stream);
    return {};
}

std::error_code FakeOutputFiles::rename(const std::string& from, const std::string& to,
                                        const std::function<void()>&) {
    journal.push_back("rename " + from + " " + to);
    if (std::error_code error = failures.next("rename"))
        return error;
    const auto found = files.find(from);
    if (found == files.end())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    File moved = std::move(found->second);
    files.erase(found);
    files[to] = std::move(moved);
    return {};
}

std::error_code FakeOutputFiles::remove(const std::string& path) {
    journal.push_back("remove " + path);
    if (std::error_code error = failures.next("remove"))
        return error;
    return files.erase(path) ? std::error_code()
                             : std::make_error_code(std::errc::no_such_file_or_directory);
}

std::error_code FakeOutputFiles::removeUnheld(const std::string& path) {
    return remove(path); // no other process holds a file here
}

namespace {

class MemoryReader final : public ReadableFile {
public:
    MemoryReader(FakeInputFiles& files, const std::string& content)
        : files_(files), content_(content) {}
    std::error_code read(char* into, std::size_t size, std::size_t& got) override {
        if (std::error_code error = files_.failures.next("read"))
            return error;
        got = content_.copy(into, std::min({size, files_.chunk}), at_);
        at_ += got;
        return {};
    }

private:
    FakeInputFiles& files_;
    std::string content_;
    std::size_t at_ = 0;
};

} // namespace

std::error_code FakeInputFiles::open(const std::string& path, std::unique_ptr<ReadableFile>& file) {
    if (std::error_code error = failures.next("open"))
        return error;
    const auto found = files.find(path);
    if (found == files.end())
        return std::make_error_code(std::errc::no_such_file_or_directory);
    file = std::make_unique<MemoryReader>(*this, found->second);
    return {};
}

namespace {

class FakeModule final : public Module {
public:
    FakeModule(std::string path, std::map<std::string, void*> symbols)
        : path_(std::move(path)), symbols_(std::move(symbols)) {}
    void* symbol(const std::string& name, std::string& reason) override {
        const auto found = symbols_.find(name);
        if (found != symbols_.end())
            return found->second;
        reason = path_ + ": undefined symbol: " + name;
        return nullptr;
    }

private:
    std::string path_;
    std::map<std::string, void*> symbols_;
};

} // namespace

std::unique_ptr<Module> FakeModuleLoader::load(const std::string& path, std::string& reason) {
    const auto found = modules.find(path);
    if (found == modules.end()) {
        reason = path + ": cannot open shared object file: No such file or directory";
        return nullptr;
    }
    return std::make_unique<FakeModule>(path, found->second);
}

} // namespace dorvantile::fakes
