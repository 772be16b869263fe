#include "run/catalogue_writers.h"

#include "general/open_with_shell.h"
#include "general/pause.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "run/run_control.h"
#include "run/show_progress.h"
#include "writers/writers.h"

namespace dorvantile {
namespace {

// The window's catalogue as it reads it: the chosen folder, then each entry of the folder
// list, each with the files that `File1` lists when pointed at it. A folder that cannot be
// listed is reported and keeps its heading with no files.
class FolderListWalk final : public EntryStream {
public:
    explicit FolderListWalk(const RunServices& services)
        : s_(services), chosen_(services.dir1.path()), below_(belowStart(chosen_)),
          heartbeat_(services.feedback) {}

    bool next(CatalogueEntry& entry) override {
        if (file_ < files_) {
            entry.kind = EntryKind::File;
            entry.name = s_.file1.at(file_++);
            ++totals_.files;
            heartbeat_.step(totals_);
            return true;
        }
        if (folder_ > s_.list1.count())
            return false;
        const std::string& path = folder_ == 0 ? chosen_ : s_.list1.at(folder_ - 1);
        entry = {};
        entry.folder = path;
        entry.below = folder_ == 0 ? std::string_view() : entry.folder.substr(below_);
        totals_.folders += folder_ == 0 ? 0 : 1;
        ++folder_;
        file_ = files_ = 0;
        if (std::error_code error = s_.file1.assign(path))
            s_.feedback.cannotRead(path, error);
        else
            files_ = s_.file1.count();
        heartbeat_.step(totals_);
        return true;
    }

    Totals totals() const override { return totals_; }

private:
    const RunServices& s_;
    const std::string chosen_;
    const std::size_t below_; // where a path below the chosen folder begins
    Heartbeat heartbeat_;
    Totals totals_;
    std::size_t folder_ = 0; // the next folder: 0 the chosen one, then List1's
    std::size_t file_ = 0, files_ = 0;
};

} // namespace

CatalogueWriters::CatalogueWriters(RunServices& services, const std::string& folder)
    : services_(services), html_(withSeparator(folder) + "Files.html"),
      text_(withSeparator(folder) + "Files.txt") {}

void CatalogueWriters::SaveToHtml() {
    const RunServices& s = services_;
    Pause(s.loop, 0.2f);
    ShowProgress(s.bar, s.loop);
    Pause(s.loop, 0.2f);

    // The window keeps answering while a slow file system puts the file in place.
    OutputFile out = OutputFile::open(s.files, html_, [&s] { s.loop.processEvents(); });
    FolderListWalk walk(s);
    writeCatalogue(walk, *htmlCatalogue({&out}));
    out.commit();
    OpenWithShell(s.shell, html_);
}

void CatalogueWriters::SaveToText() {
    const RunServices& s = services_;
    Pause(s.loop, 0.2f);
    Pause(s.loop, 0.2f);

    OutputFile out = OutputFile::open(s.files, text_, [&s] { s.loop.processEvents(); });
    FolderListWalk walk(s);
    writeCatalogue(walk, *textCatalogue({&out}));
    out.commit();

    ShowProgress(s.bar, s.loop);
    s.messages.show(textNotice, applicationTitle, MessageIcon::None);
}

void CatalogueWriters::SaveToPrinter() {
    const RunServices& s = services_;
    Pause(s.loop, 0.2f);
    ShowProgress(s.bar, s.loop);

    const std::unique_ptr<PrintSurface> surface = s.printer.startJob();
    FolderListWalk walk(s);
    writeCatalogue(walk, *printedCatalogue({nullptr, surface.get()}));
}

} // namespace dorvantile
