// What the process sets up before it does anything else, and the temporary file that a
// signal must not leave behind.
#pragma once

#include <string>

namespace dorvantile {

/// Opens /dev/null on any of descriptors 0, 1 and 2 that is closed (so that no file the
/// program opens becomes its standard error); ignores SIGXFSZ, so that a file size limit is
/// a failed write with its reason; and makes SIGINT, SIGTERM and SIGHUP remove the temporary
/// file of a catalogue being written before they end the program as they would have.
void prepareProcess();

/// Whether the standard descriptor `fd` (0, 1 or 2) was closed when `prepareProcess` ran:
/// what is written to it then is refused ("Bad file descriptor"), never lost in /dev/null.
bool closedAtStart(int fd);

/// The temporary file a signal removes: at most one at a time, `name` until forgotten.
void noteTemporaryFile(const std::string& name);
void forgetTemporaryFile();

} // namespace dorvantile
