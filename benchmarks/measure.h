// Timing for the benchmarks: wall time and peak memory of child commands, and medians.
#pragma once

#include <string>
#include <vector>

namespace dorvantile::bench {

/// One run of a command or of a piece of this program.
struct Sample {
    double seconds = 0;
    double cpuSeconds = 0;  ///< user and system time, less sensitive to the machine's load
    long peakKilobytes = 0; ///< the resident set's high-water mark (ru_maxrss)
};

/// Runs `argv` to completion with its standard output and error sent to /dev/null, and
/// measures it through wait4. Exits the benchmark when the command fails: a figure for a
/// command that did not do its work would be a lie. With `outputFile`, its standard output
/// goes there instead. With `failed`, a command that fails says so there instead.
Sample runCommand(const std::vector<std::string>& argv, const std::string& outputFile = {},
                  bool* failed = nullptr);

/// Whether `program` is an executable in one of the folders of PATH.
bool onPath(const std::string& program);

/// Seconds on the monotonic clock.
double now();

double median(std::vector<double> values);

/// User and system time of this process so far.
double ownCpuSeconds();

/// The high-water mark of this process's resident set, in kilobytes.
long ownPeakKilobytes();

/// The command as a shell would show it, for the tables.
std::string shown(const std::vector<std::string>& argv);

/// `shown` as Markdown code.
std::string shownAsCode(const std::vector<std::string>& argv);

} // namespace dorvantile::bench
