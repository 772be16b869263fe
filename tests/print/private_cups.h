// A CUPS scheduler of the tests' own, in a temporary folder, and the programs run against it.
// It never touches the machine's printers or its scheduler.
#pragma once

#include "support/temp_tree.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace dorvantile::testing {

/// How a program ended and what it wrote.
struct Ran {
    int status = -1; ///< the exit status; -1 when it was killed
    std::string out;
    std::string err;
};

/// The full path of an installed program, looked for in the PATH and the system's program
/// folders; empty when it is not installed.
std::string findProgram(const std::string& name);

/// Runs `argv` (argv[0] a full path) with exactly `environment`, and waits for its end
/// (killing it after a minute).
Ran runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment);

/// The PDF driver of the tests' print queues.
inline constexpr const char* pdfDriver = "/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd";

/// A private CUPS scheduler listening on a socket in its own folder, with print queues that
/// write their jobs (PDF wrapped in PJL) to files in that folder. Started by the constructor,
/// stopped and removed by the destructor. Runs as root (filters then run as user lp) or as
/// any other user.
class PrivateCups {
public:
    /// Throws std::runtime_error naming what is missing when the scheduler cannot start.
    PrivateCups();
    PrivateCups(const PrivateCups&) = delete;
    PrivateCups& operator=(const PrivateCups&) = delete;
    ~PrivateCups();

    /// Adds an enabled queue `name` with the PDF driver, printing to `output(name)`.
    void addQueue(const std::string& name);
    /// Makes `name` the scheduler's default printer.
    void setDefault(const std::string& name);
    /// The file that queue `name` prints to (it exists once a job has been printed).
    std::string output(const std::string& name) const {
        return folder_.path + "/out/" + name + ".prn";
    }
    /// The driver's description of queue `name`.
    std::string ppd(const std::string& name) const {
        return folder_.path + "/root/ppd/" + name + ".ppd";
    }

    /// The whole environment of a client of this scheduler, as a scheduled job has it: a
    /// plain PATH, an empty home folder, no PRINTER and no LPDEST (each would override the
    /// default printer), and the client settings of this scheduler only.
    std::vector<std::string> clientEnvironment() const;

    /// The jobs that lpstat lists for `which`: "not-completed", "completed" or "all".
    std::size_t jobs(const char* which = "all") const;
    /// Waits until no job is pending and `completed` jobs are done; throws on a timeout.
    void waitForCompletedJobs(std::size_t completed) const;

private:
    /// A folder in /tmp, which user lp can reach, removed with everything in it.
    struct Folder {
        Folder();
        ~Folder();
        std::string path;
    };

    /// Runs a client program of this scheduler; its output, or a throw when it failed.
    std::string client(std::vector<std::string> argv) const;
    std::string log() const;

    Folder folder_;
    std::string lpadmin_;
    std::string lpstat_;
    pid_t pid_ = -1;
};

} // namespace dorvantile::testing
