#include "run/run_control.h"

#include "catalogue/tree_walk.h"
#include "general/pause.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "run/list_sub_dirs.h"

#include <exception>

namespace dorvantile {
namespace {

class RunningFlag {
public:
    explicit RunningFlag(bool& flag) : flag_(flag) { flag_ = true; }
    RunningFlag(const RunningFlag&) = delete;
    RunningFlag& operator=(const RunningFlag&) = delete;
    ~RunningFlag() { flag_ = false; }

private:
    bool& flag_;
};

} // namespace

bool RunControl::OkKnop_Click() {
    // The run yields to the message loop, where a second click could arrive; it must not
    // empty the folder list under a running writer.
    if (running_)
        return false;
    RunningFlag guard(running_);
    try {
        run();
        return true;
    } catch (const std::exception& error) {
        services_.pointer.set(MousePointer::Arrow);
        services_.messages.show(error.what(), applicationTitle, MessageIcon::Critical);
        return false;
    }
}

void RunControl::run() {
    RunServices& s = services_;
    s.okKnop.setTop(2280);
    s.okKnop.setLeft(3045);
    Pause(s.loop, 0.2f);
    s.okKnop.setTop(2265);
    s.okKnop.setLeft(3030);
    s.bar.Cls();
    s.pointer.set(MousePointer::Hourglass);
    s.list1.clear();
    // A chosen folder that cannot be read has no catalogue: the old one stays.
    const std::string chosen = s.dir1.path();
    s.fileSystem.refresh(chosen);
    if (std::error_code error =
            ListSubDirs(s.fileSystem, s.list1, withSeparator(chosen), s.feedback))
        throw CatalogueError(chosenFolderError(chosen, error));
    if (s.keuze.isSelected(1))
        catalogues_.SaveToHtml();
    if (s.keuze.isSelected(2))
        catalogues_.SaveToText();
    if (s.keuze.isSelected(3))
        catalogues_.SaveToPrinter();
    s.pointer.set(MousePointer::Arrow);
}

} // namespace dorvantile
