// bench_catalogue: whole catalogues from the command line against find and tree's HTML
// output over the same tree, the data formats against find printing sizes and times, and
// compare of two JSON catalogues (and of a catalogue with the folder); wall time and peak
// memory of each command. Beside them, where they are installed, other tools that read the
// size and time of every file: ncdu's and gdu's exports, bfs printing sizes and times, and
// mtree writing a listing of the tree and checking the tree against one.
//
//   bench_catalogue ROOT DORVANTILE_CLI OUTPUT_FOLDER [RUNS [--goals]]
//
// With --goals it also says whether each goal of the million-file tree is met.
// Each round runs every command once, in the same order, after one warm-up round, so that
// all of them see the same warm cache and the same load from the rest of the machine.
// Prints a Markdown table of the medians and the goals.
#include "measure.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

using namespace dorvantile::bench;

struct Command {
    std::string label;
    std::vector<std::string> argv;
    std::string output;    // the file it writes, if any
    bool toOutput = false; // `output` is its standard output
    std::vector<double> seconds;
    std::vector<double> cpuSeconds;
    long peakKilobytes = 0;
    double median() const { return dorvantile::bench::median(seconds); }
    double cpuMedian() const { return dorvantile::bench::median(cpuSeconds); }
};

long long fileSize(const std::string& path) {
    struct stat info;
    return path.empty() || stat(path.c_str(), &info) != 0 ? -1 : info.st_size;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4 || argc > 6 || (argc == 6 && std::string(argv[5]) != "--goals")) {
        std::fprintf(stderr,
                     "Usage: bench_catalogue ROOT DORVANTILE_CLI OUTPUT_FOLDER [RUNS [--goals]]\n");
        return 2;
    }
    const bool goals = argc == 6;
    const std::string root = argv[1];
    const std::string cli = argv[2];
    const std::string out = argv[3];
    const int runs = argc >= 5 ? std::atoi(argv[4]) : 5;

    const std::string html = out + "/bench-catalogue.html";
    const std::string text = out + "/bench-catalogue.txt";
    const std::string page = out + "/bench-tree.html";
    const std::string csv = out + "/bench-catalogue.csv";
    const std::string json = out + "/bench-catalogue.json";
    const std::string earlier = out + "/bench-catalogue-earlier.json";
    std::vector<Command> commands(9);
    commands[0].label = "find";
    commands[0].argv = {"find", root, "-type", "f", "-not", "-name", ".*"};
    commands[1].label = "dorvantile-cli html";
    commands[1].argv = {cli, "--format", "html", "--output", html, root};
    commands[1].output = html;
    commands[2].label = "dorvantile-cli text";
    commands[2].argv = {cli, "--format", "text", "--output", text, root};
    commands[2].output = text;
    commands[3].label = "tree -H";
    commands[3].argv = {"tree", "-H", ".", "-o", page, root};
    commands[3].output = page;
    // The data formats stat every listed file, as find does to print sizes and times.
    commands[4].label = "find -printf";
    commands[4].argv = {"find",  root,   "-type",   "f",           "-not",
                        "-path", "*/.*", "-printf", "%s %T@ %p\\n"};
    commands[5].label = "dorvantile-cli csv";
    commands[5].argv = {cli, "--format", "csv", "--output", csv, root};
    commands[5].output = csv;
    commands[6].label = "dorvantile-cli json";
    commands[6].argv = {cli, "--format", "json", "--output", json, root};
    commands[6].output = json;
    // Two catalogues of the same tree: every entry is read, compared, and found the same.
    commands[7].label = "dorvantile-cli compare";
    commands[7].argv = {cli, "compare", earlier, json};
    commands[8].label = "dorvantile-cli compare of folders";
    commands[8].argv = {cli, "compare", earlier, root};

    // Other tools, each only where it is installed.
    const std::string spec = out + "/bench-mtree.spec";
    const std::string earlierSpec = out + "/bench-mtree-earlier.spec";
    const std::vector<Command> others = {
        {"ncdu",
         {"ncdu", "-0", "-x", "-o", out + "/bench-ncdu.json", root},
         out + "/bench-ncdu.json"},
        {"gdu", {"gdu", "-n", "-o", out + "/bench-gdu.json", root}, out + "/bench-gdu.json"},
        {"bfs -printf",
         {"bfs", root, "-type", "f", "-not", "-path", "*/.*", "-printf", "%s %T@ %p\\n"}},
        {"mtree -c", {"mtree", "-c", "-p", root}, spec, true},
        {"mtree -f", {"mtree", "-f", earlierSpec, "-p", root}},
    };
    std::vector<std::string> skipped;
    for (const Command& other : others) {
        if (onPath(other.argv[0]))
            commands.push_back(other);
        else if (std::find(skipped.begin(), skipped.end(), other.argv[0]) == skipped.end())
            skipped.push_back(other.argv[0]);
    }
    const auto find = [&](const std::string& label) -> const Command* {
        for (const Command& command : commands) {
            if (command.label == label)
                return &command;
        }
        return nullptr;
    };

    runCommand({cli, "--format", "json", "--output", earlier, root});
    if (find("mtree -f")) {
        // mtree cannot read back every listing it writes (on the benchmark trees it
        // stops at "no parent node"); a check that fails is no figure.
        bool failed = false;
        runCommand({"mtree", "-c", "-p", root}, earlierSpec);
        runCommand({"mtree", "-f", earlierSpec, "-p", root}, {}, &failed);
        if (failed) {
            commands.erase(std::find_if(commands.begin(), commands.end(),
                                        [](const Command& c) { return c.label == "mtree -f"; }));
            skipped.push_back("mtree -f: skipped, it fails to read the listing that "
                              "mtree -c wrote of this tree");
        }
    }
    for (Command& command : commands)
        runCommand(command.argv, command.toOutput ? command.output : std::string());
    for (int r = 0; r < runs; ++r) {
        for (Command& command : commands) {
            const Sample sample =
                runCommand(command.argv, command.toOutput ? command.output : std::string());
            command.seconds.push_back(sample.seconds);
            command.cpuSeconds.push_back(sample.cpuSeconds);
            command.peakKilobytes = std::max(command.peakKilobytes, sample.peakKilobytes);
        }
    }

    const double findWall = commands[0].median();
    const double findCpu = commands[0].cpuMedian();
    const double tree = commands[3].median();
    const double findDetails = commands[4].median();
    std::printf("| Command | Median wall s | Min s | Max s | Wall ratio to find | Median CPU s | "
                "CPU ratio to find | Peak memory MB | Output MB |\n");
    std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    for (const Command& command : commands) {
        const long long bytes = fileSize(command.output);
        char size[32] = "";
        if (bytes >= 0)
            std::snprintf(size, sizeof size, "%.1f", bytes / 1048576.0);
        std::printf("| %s | %.3f | %.3f | %.3f | %.2f | %.3f | %.2f | %.1f | %s |\n",
                    (shownAsCode(command.argv) +
                     (command.toOutput ? " `> " + command.output + "`" : std::string()))
                        .c_str(),
                    command.median(),
                    *std::min_element(command.seconds.begin(), command.seconds.end()),
                    *std::max_element(command.seconds.begin(), command.seconds.end()),
                    command.median() / findWall, command.cpuMedian(), command.cpuMedian() / findCpu,
                    command.peakKilobytes / 1024.0, size);
    }
    std::printf("\n%d interleaved rounds after one warm-up round. A command's peak memory "
                "includes that of the benchmark that starts it (%.1f MB), which the kernel "
                "carries over exec.\n\n",
                runs, ownPeakKilobytes() / 1024.0);
    for (std::size_t i = 1; i <= 2; ++i) {
        const Command& ours = commands[i];
        const double ratio = ours.median() / findWall;
        const double speedup = tree / ours.median();
        const double peak = ours.peakKilobytes / 1024.0;
        if (!goals) {
            std::printf("- %s: %.2f times find's wall time, %.1f times faster than tree -H, peak "
                        "%.1f MB\n",
                        ours.label.c_str(), ratio, speedup, peak);
            continue;
        }
        std::printf("- **%s**: %.2f times find's wall time (goal at most 1.1: **%s**), %.1f times "
                    "faster than tree -H (goal at least 3: **%s**), peak %.1f MB (goal under 50: "
                    "**%s**)\n",
                    ours.label.c_str(), ratio, ratio <= 1.1 ? "met" : "not met", speedup,
                    speedup >= 3 ? "met" : "not met", peak, peak < 50 ? "met" : "not met");
    }
    for (std::size_t i = 5; i <= 6; ++i) {
        const double ratio = commands[i].median() / findDetails;
        std::printf("- %s%s%s: %.2f times the wall time of `find -printf` (goal at most 1.1: "
                    "**%s**), peak %.1f MB\n",
                    goals ? "**" : "", commands[i].label.c_str(), goals ? "**" : "", ratio,
                    ratio <= 1.1 ? "met" : "not met", commands[i].peakKilobytes / 1024.0);
    }
    const double comparing = commands[7].median();
    const double peak = commands[7].peakKilobytes / 1024.0;
    std::printf("- %s%s%s: %.2f s (goal at most 3: **%s**), peak %.1f MB (goal under 64: "
                "**%s**)\n",
                goals ? "**" : "", commands[7].label.c_str(), goals ? "**" : "", comparing,
                comparing <= 3 ? "met" : "not met", peak, peak < 64 ? "met" : "not met");
    std::printf("- %s: %.2f s, peak %.1f MB\n", commands[8].label.c_str(), commands[8].median(),
                commands[8].peakKilobytes / 1024.0);

    // Ours against each of the other tools, side by side in the same rounds.
    for (const char* label : {"ncdu", "gdu", "bfs -printf", "mtree -c"}) {
        if (const Command* other = find(label)) {
            std::printf("- beside `%s`: %.3f s wall, %.3f s CPU; dorvantile-cli csv %.2f and json "
                        "%.2f times its wall time\n",
                        shown(other->argv).c_str(), other->median(), other->cpuMedian(),
                        commands[5].median() / other->median(),
                        commands[6].median() / other->median());
        }
    }
    if (const Command* other = find("mtree -f")) {
        std::printf("- beside `%s`: %.3f s wall, %.3f s CPU; dorvantile-cli compare of folders "
                    "%.2f times its wall time\n",
                    shown(other->argv).c_str(), other->median(), other->cpuMedian(),
                    commands[8].median() / other->median());
    }
    for (const std::string& tool : skipped) {
        std::printf(tool.find(':') != std::string::npos ? "- %s\n"
                                                        : "- %s: skipped, not installed\n",
                    tool.c_str());
    }
    return 0;
}
