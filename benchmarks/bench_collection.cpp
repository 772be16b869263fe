// bench_collection: the folder collection and the file listing of every folder, as a
// catalogue run does them, against find's walk over the same tree.
//
//   bench_collection ROOT [RUNS]
//
// Runs alternate (find, ours, find, ours, ...) after one warm-up of each, so that both see
// the same warm cache and the same load from whatever else the machine is doing. Prints a
// Markdown table of the medians.
#include "measure.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "platform/posix_file_system.h"
#include "run/list_sub_dirs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace dorvantile;
using namespace dorvantile::bench;

class Quiet final : public WalkFeedback {
public:
    void working(const Totals&) override {}
    void cannotRead(const std::string&, std::error_code) override { ++unreadable; }
    std::size_t unreadable = 0;
};

struct Walk {
    double collectSeconds = 0;
    double listSeconds = 0;
    double cpuSeconds = 0;
    std::size_t folders = 0;
    std::size_t files = 0;
    std::size_t nameBytes = 0; // read so that no name goes unread
};

void listFolder(FileListing& listing, const std::string& folder, Walk& walk, Quiet& feedback) {
    if (std::error_code error = listing.assign(folder)) {
        feedback.cannotRead(folder, error);
        return;
    }
    const std::size_t count = listing.count();
    for (std::size_t i = 0; i < count; ++i)
        walk.nameBytes += listing.at(i).size();
    walk.files += count;
}

// The collection and the listing exactly as a writer drives them: ListSubDirs from the
// chosen folder with its separator, then the chosen folder and each collected folder.
Walk walkOnce(const std::string& root) {
    Walk walk;
    PosixFileSystem fileSystem;
    FolderList list1;
    FileListing file1(fileSystem);
    Quiet feedback;
    const double cpuStart = ownCpuSeconds();
    const double start = now();
    if (ListSubDirs(fileSystem, list1, root == "/" ? root : root + "/", feedback))
        throw std::runtime_error("cannot read " + root);
    const double collected = now();
    listFolder(file1, root, walk, feedback);
    for (std::size_t k = 0; k < list1.count(); ++k)
        listFolder(file1, list1.at(k), walk, feedback);
    walk.listSeconds = now() - collected;
    walk.collectSeconds = collected - start;
    walk.cpuSeconds = ownCpuSeconds() - cpuStart;
    walk.folders = list1.count();
    if (feedback.unreadable != 0)
        std::fprintf(stderr, "bench_collection: %zu folders could not be read\n",
                     feedback.unreadable);
    return walk;
}

struct Series {
    std::string what;
    std::vector<double> seconds;
    std::vector<double> cpuSeconds;
    long peakKilobytes = 0;
};

void printRow(const Series& series, const Series& find) {
    const double wall = median(series.seconds);
    std::printf("| %s | %.3f | %.3f | %.3f | %.2f |", series.what.c_str(), wall,
                *std::min_element(series.seconds.begin(), series.seconds.end()),
                *std::max_element(series.seconds.begin(), series.seconds.end()),
                wall / median(find.seconds));
    if (series.cpuSeconds.empty())
        std::printf("  |  |");
    else
        std::printf(" %.3f | %.2f |", median(series.cpuSeconds),
                    median(series.cpuSeconds) / median(find.cpuSeconds));
    if (series.peakKilobytes > 0)
        std::printf(" %.1f |\n", series.peakKilobytes / 1024.0);
    else
        std::printf("  |\n");
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "Usage: bench_collection ROOT [RUNS]\n");
        return 2;
    }
    const std::string root = argv[1];
    const int runs = argc == 3 ? std::atoi(argv[2]) : 5;
    const std::vector<std::string> find = {"find", root, "-type", "f", "-not", "-name", ".*"};

    // Warm-up: fills the caches for both.
    runCommand(find);
    const Walk first = walkOnce(root);

    // find's own peak is not shown: ru_maxrss carries the spawning process's peak over exec,
    // and this process holds a walk's buffers by then.
    Series findRuns{shownAsCode(find), {}, {}, 0};
    Series ours{"ListSubDirs + FileListing of every folder", {}, {}, 0};
    Series collect{"&nbsp;&nbsp;of which ListSubDirs", {}, {}, 0};
    Series list{"&nbsp;&nbsp;of which FileListing", {}, {}, 0};
    for (int r = 0; r < runs; ++r) {
        const Sample f = runCommand(find);
        findRuns.seconds.push_back(f.seconds);
        findRuns.cpuSeconds.push_back(f.cpuSeconds);
        const Walk w = walkOnce(root);
        ours.seconds.push_back(w.collectSeconds + w.listSeconds);
        ours.cpuSeconds.push_back(w.cpuSeconds);
        collect.seconds.push_back(w.collectSeconds);
        list.seconds.push_back(w.listSeconds);
        if (w.files != first.files || w.folders != first.folders) {
            std::fprintf(stderr, "bench_collection: the tree changed during the runs\n");
            return 1;
        }
    }
    ours.peakKilobytes = ownPeakKilobytes();
    const double ratio = median(ours.seconds) / median(findRuns.seconds);

    std::printf("| What | Median wall s | Min s | Max s | Wall ratio to find | Median CPU s | CPU "
                "ratio to find | Peak memory MB |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|\n");
    printRow(findRuns, findRuns);
    printRow(ours, findRuns);
    printRow(collect, findRuns);
    printRow(list, findRuns);
    std::printf("\n%zu folders and %zu listed files; %d interleaved runs after one warm-up "
                "each. Peak memory of ours is that of the whole benchmark process.\n\n",
                first.folders + 1, first.files, runs);
    std::printf("**Goal** (no more than 1.2 times find's wall time): **%s** (%.3f)\n",
                ratio <= 1.2 ? "met" : "not met", ratio);
    return 0;
}
