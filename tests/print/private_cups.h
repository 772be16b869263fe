// A CUPS scheduler of the tests' own, in a temporary folder, and the programs run against it.
// It never touches the machine's printers or its scheduler.
#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace dorvantile::testing {

/// A folder made for one test and removed with everything in it.
class TempFolder {
public:
    /// A new folder in `parent`; by default the system's temporary folder.
    explicit TempFolder(const std::string& parent = {});
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::string& path() const { return path_; }
    /// `relative` inside the folder.
    std::string path(const std::string& relative) const { return path_ + "/" + relative; }
    /// Makes an empty file, and the folders above it.
    void file(const std::string& relative) const;
    /// Makes a folder, and the folders above it.
    void folder(const std::string& relative) const;

private:
    std::string path_;
};

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
/// (killing it after `limit`).
Ran runProgram(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
               std::chrono::seconds limit = std::chrono::seconds(60));

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
    std::string output(const std::string& name) const;

    /// The whole environment of a client of this scheduler, as a scheduled job has it: a
    /// plain PATH, an empty home folder, no PRINTER and no LPDEST (each would override the
    /// default printer), and the client settings of this scheduler only.
    std::vector<std::string> clientEnvironment() const;

    /// The jobs that are not completed yet, or the completed ones.
    std::size_t pendingJobs() const;
    std::size_t completedJobs() const;
    /// Waits until no job is pending and `completed` jobs are done; throws on a timeout.
    void waitForCompletedJobs(std::size_t completed) const;

    const std::string& folder() const { return folder_.path(); }

private:
    std::size_t countJobs(const std::vector<std::string>& lpstatOptions) const;
    std::string log() const;

    TempFolder folder_;
    std::string socket_;
    std::string lpadmin_;
    std::string lpstat_;
    pid_t pid_ = -1;
};

} // namespace dorvantile::testing
