// make_tree: the benchmark corpus. Builds the same tree of empty files every time for a given
// size, so that figures taken on different days and machines describe the same work.
//
//   make_tree ROOT 200k|1m
//
// The tree is four levels deep, with a few very large folders, empty folders, hidden files and
// hidden folders with content, mixed-case names, names with spaces and some UTF-8 names. A
// marker file written last makes a second call on a complete tree return at once; a call on
// a partial tree (an interrupted run) fills in what is missing.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view markerName = ".dorvantile-bench-complete";
constexpr int layoutVersion = 1;

struct Size {
    const char* name;
    std::uint64_t files;   // listed files: not hidden, outside hidden folders
    std::uint64_t folders; // listed folders, the chosen one not counted
    unsigned top;          // folders directly in the root
    unsigned perTop;       // folders in each of those
    unsigned perSecond;    // folders in each of those
    std::vector<std::uint64_t> large;
};

const Size sizes[] = {
    {"200k", 200000, 20000, 20, 10, 25, {12000, 8000, 5000}},
    {"1m", 1000000, 50000, 40, 12, 30, {20000, 15000, 10000, 8000, 5000}},
};

// splitmix64: a fixed generator, so the tree does not depend on the C library's rand.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }

private:
    std::uint64_t state_;
};

struct Folder {
    std::string name;
    std::vector<std::uint32_t> children;
    std::uint64_t files = 0;
    bool hiddenFolder = false; // a dot-folder with content beneath this folder
    unsigned hiddenFiles = 0;
};

const char* const folderStems[] = {"Projects", "src", "Data",  "old stuff",    "Photos", "docs",
                                   "Build",    "lib", "Music", "Archive 2019", "tmp",    "Mail"};
const char* const fileStems[] = {"IMG_",     "report ", "Notes", "main",  "README-",
                                 "invoice_", "Track ",  "data",  "LOG",   "Budget ",
                                 "index",    "photo",   "x",     "Setup", "backup copy "};
const char* const fileExtensions[] = {".JPG", ".txt",  ".c",   ".h",  ".docx", ".pdf",
                                      ".Mp3", ".html", ".csv", ".md", "",      ".tar.gz"};
// A few names in UTF-8 with letters that change case outside ASCII.
const char* const unicodeStems[] = {"Überblick ", "café_",  "Ärger", "Ørsted-",
                                    "ΣΧΕΔΙΟ ",    "日本語", "Ёлка",  "naïve "};

std::string folderName(Random& random, unsigned index) {
    std::string name;
    if (random.below(200) == 0)
        name = unicodeStems[random.below(std::size(unicodeStems))];
    else
        name = folderStems[random.below(std::size(folderStems))];
    name += ' ';
    name += std::to_string(index);
    return name;
}

std::string fileName(Random& random, std::uint64_t index) {
    std::string name;
    if (random.below(500) == 0)
        name = unicodeStems[random.below(std::size(unicodeStems))];
    else
        name = fileStems[random.below(std::size(fileStems))];
    name += std::to_string(index);
    name += fileExtensions[random.below(std::size(fileExtensions))];
    return name;
}

std::vector<Folder> plan(const Size& size) {
    Random random(size.files * 31 + size.folders);
    std::vector<Folder> folders(1); // [0] is the root
    const auto add = [&](std::uint32_t parent) {
        const auto index = static_cast<std::uint32_t>(folders.size());
        Folder folder;
        folder.name = folderName(random, static_cast<unsigned>(folders[parent].children.size()));
        folders.push_back(std::move(folder));
        folders[parent].children.push_back(index);
        return index;
    };
    std::vector<std::uint32_t> third;
    for (unsigned a = 0; a < size.top; ++a) {
        const std::uint32_t first = add(0);
        for (unsigned b = 0; b < size.perTop; ++b) {
            const std::uint32_t second = add(first);
            for (unsigned c = 0; c < size.perSecond; ++c)
                third.push_back(add(second));
        }
    }
    // The rest of the folders make a fourth level, unevenly spread.
    while (folders.size() - 1 < size.folders)
        add(third[random.below(static_cast<unsigned>(third.size()))]);

    // The large folders, then the rest of the files by uneven weights; one folder in ten
    // stays empty.
    std::uint64_t remaining = size.files;
    std::vector<bool> isLarge(folders.size(), false);
    for (std::size_t i = 0; i < size.large.size(); ++i) {
        const std::size_t at = 1 + (i * 7919 + 17) % size.folders;
        folders[at].files = size.large[i];
        isLarge[at] = true;
        remaining -= size.large[i];
    }
    std::vector<std::uint64_t> weight(folders.size(), 0);
    std::uint64_t total = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        if (isLarge[i] || random.below(10) == 0)
            continue;
        weight[i] = random.below(8) == 0 ? 20 + random.below(200) : 1 + random.below(30);
        total += weight[i];
    }
    std::uint64_t given = 0;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        folders[i].files += weight[i] * remaining / total;
        given += weight[i] * remaining / total;
    }
    for (std::size_t i = 0; given < remaining; i = (i + 1) % folders.size()) {
        if (weight[i] != 0) {
            ++folders[i].files;
            ++given;
        }
    }
    for (Folder& folder : folders) {
        if (random.below(50) == 0)
            folder.hiddenFiles = 1 + random.below(5);
        if (random.below(200) == 0)
            folder.hiddenFolder = true;
    }
    return folders;
}

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "make_tree: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

// An existing entry is what an interrupted run left: the tree is the same every time.
void makeFile(int dirFd, const std::string& name) {
    if (mknodat(dirFd, name.c_str(), S_IFREG | 0644, 0) != 0 && errno != EEXIST)
        fail("cannot create " + name);
}

int makeFolder(int parentFd, const std::string& name) {
    if (mkdirat(parentFd, name.c_str(), 0755) != 0 && errno != EEXIST)
        fail("cannot create folder " + name);
    const int fd = openat(parentFd, name.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        fail("cannot open folder " + name);
    return fd;
}

struct Counts {
    std::uint64_t files = 0, folders = 0, hidden = 0;
};

// A hidden folder with files and a sub-folder: the catalogue skips all of it.
void makeHiddenFolder(int parentFd, Random& random, Counts& counts) {
    const int fd = makeFolder(parentFd, ".cache");
    const unsigned files = 5 + random.below(30);
    for (unsigned i = 0; i < files; ++i)
        makeFile(fd, "entry" + std::to_string(i) + ".bin");
    const int inner = makeFolder(fd, "objects");
    for (unsigned i = 0; i < 10; ++i)
        makeFile(inner, "Object" + std::to_string(i));
    counts.hidden += files + 10 + 2;
    close(inner);
    close(fd);
}

void build(const std::vector<Folder>& folders, std::uint32_t index, int fd, Random& random,
           Counts& counts) {
    const Folder& folder = folders[index];
    for (std::uint64_t i = 0; i < folder.files; ++i) {
        std::string name = fileName(random, i);
        // Now and then a twin that differs only in case, which only the raw bytes order.
        if (random.below(1000) == 0 && i + 1 < folder.files) {
            std::string twin = name;
            for (char& c : twin)
                c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
            if (twin != name) {
                makeFile(fd, twin);
                ++i;
                ++counts.files;
            }
        }
        makeFile(fd, name);
        ++counts.files;
    }
    for (unsigned i = 0; i < folder.hiddenFiles; ++i)
        makeFile(fd, ".hidden" + std::to_string(i));
    counts.hidden += folder.hiddenFiles;
    if (folder.hiddenFolder)
        makeHiddenFolder(fd, random, counts);
    for (const std::uint32_t child : folder.children) {
        const int childFd = makeFolder(fd, folders[child].name);
        ++counts.folders;
        build(folders, child, childFd, random, counts);
        close(childFd);
    }
}

std::string markerText(const Size& size) {
    return "layout " + std::to_string(layoutVersion) + " size " + size.name + "\n";
}

bool complete(int rootFd, const Size& size) {
    const int fd = openat(rootFd, std::string(markerName).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[128] = {};
    const ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    return n > 0 && markerText(size) == text;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "Usage: make_tree ROOT 200k|1m\n");
        return 2;
    }
    const std::string root = argv[1];
    const Size* size = nullptr;
    for (const Size& s : sizes) {
        if (std::string_view(argv[2]) == s.name)
            size = &s;
    }
    if (size == nullptr) {
        std::fprintf(stderr, "make_tree: unknown size '%s' (200k or 1m)\n", argv[2]);
        return 2;
    }
    if (mkdir(root.c_str(), 0755) != 0 && errno != EEXIST)
        fail("cannot create " + root);
    const int rootFd = open(root.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (rootFd < 0)
        fail("cannot open " + root);
    if (complete(rootFd, *size)) {
        std::printf("%s: complete, left as it is\n", root.c_str());
        return 0;
    }
    if (faccessat(rootFd, std::string(markerName).c_str(), F_OK, 0) == 0) {
        errno = EEXIST;
        fail(root + " holds a tree of another size or layout; remove it first");
    }

    const std::vector<Folder> folders = plan(*size);
    Random names(size->files ^ 0x5EEDull);
    Counts counts;
    build(folders, 0, rootFd, names, counts);

    const int marker = openat(rootFd, std::string(markerName).c_str(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const std::string text = markerText(*size);
    if (marker < 0 || write(marker, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        fail("cannot write the marker in " + root);
    close(marker);
    close(rootFd);
    std::printf("%s: %llu files in %llu folders, %llu hidden entries\n", root.c_str(),
                static_cast<unsigned long long>(counts.files),
                static_cast<unsigned long long>(counts.folders),
                static_cast<unsigned long long>(counts.hidden));
    return 0;
}
