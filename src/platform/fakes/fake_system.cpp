#include "platform/fakes/fake_system.h"

#include <cstdio>

namespace dorvantile::fakes {

std::string octal(unsigned mode) {
    char digits[12];
    std::snprintf(digits, sizeof digits, "%o", mode);
    return digits;
}

namespace {

class MemoryFile final : public WritableFile {
public:
    MemoryFile(FakeOutputFiles& files, std::string path, std::string& content)
        : files_(files), path_(std::move(path)), content_(content) {}

    std::error_code write(std::string_view bytes) override {
        files_.journal.push_back("write " + std::to_string(bytes.size()) + " " + path_);
        if (std::error_code error = files_.failures.next("write"))
            return error;
        content_.append(bytes);
        return {};
    }
    std::error_code setPermissions(unsigned mode) override {
        files_.journal.push_back("permissions " + octal(mode) + " " + path_);
        if (std::error_code error = files_.failures.next("permissions"))
            return error;
        if (auto found = files_.files.find(path_); found != files_.files.end())
            found->second.mode = mode;
        return {};
    }
    std::error_code close() override {
        files_.journal.push_back("close " + path_);
        return files_.failures.next("close");
    }

private:
    FakeOutputFiles& files_;
    std::string path_;
    std::string& content_; // in a std::map node, which stays where it is
};

} // namespace

PathTarget FakeOutputFiles::inspect(const std::string& path) {
    const auto link = links.find(path);
    const std::string& real = link == links.end() ? path : link->second;
    if (folders.count(real))
        return {PathTarget::Kind::Folder, {}};
    if (devices.count(real))
        return {PathTarget::Kind::Other, {}};
    if (files.count(real))
        return {PathTarget::Kind::RegularFile, real};
    return {};
}

std::error_code FakeOutputFiles::createUnique(const std::string& prefix, std::string& name,
                                              std::unique_ptr<WritableFile>& file) {
    journal.push_back("create " + prefix);
    if (std::error_code error = failures.next("create"))
        return error;
    const std::size_t slash = prefix.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !folders.count(prefix.substr(0, slash)))
        return std::make_error_code(std::errc::no_such_file_or_directory);
    name = prefix + std::to_string(100000 + ++made_);
    File& made = files[name];
    file = std::make_unique<MemoryFile>(*this, name, made.content);
    return {};
}

std::error_code FakeOutputFiles::openExisting(const std::string& path,
                                              std::unique_ptr<WritableFile>& file) {
    journal.push_back("open " + path);
    if (std::error_code error = failures.next("open"))
        return error;
    file = std::make_unique<MemoryFile>(*this, path, devices[path]);
    return {};
}

std::unique_ptr<WritableFile> FakeOutputFiles::standardOutput() {
    return std::make_unique<MemoryFile>(*this, "-", standardOutputBytes);
}

std::error_code FakeOutputFiles::rename(const std::string& from, const std::string& to) {
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

} // namespace dorvantile::fakes
