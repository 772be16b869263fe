#include "app/drive_list.h"

#include "app/drives.h"

#include <QFile>
#include <algorithm>

namespace dorvantile::app {

DriveList::DriveList(std::vector<std::string> drives, QWidget* parent)
    : QComboBox(parent), drives_(std::move(drives)) {
    if (drives_.empty())
        drives_.emplace_back("/");
    for (const std::string& drive : drives_)
        addItem(QFile::decodeName(QByteArray::fromStdString(drive)));
    // `activated` comes from the user only, also when the shown entry is chosen again.
    connect(this, &QComboBox::activated, this, &DriveList::choose);
}

std::string DriveList::currentFolder(const std::string& drive) const {
    const auto found = visited_.find(drive);
    return found == visited_.end() ? drive : found->second;
}

void DriveList::follow(const std::string& folder) {
    if (folder.empty())
        return;
    const std::string drive = driveOf(drives_, folder);
    visited_[drive] = folder;
    const auto found = std::find(drives_.begin(), drives_.end(), drive);
    if (found == drives_.end())
        return;
    shown_ = static_cast<int>(found - drives_.begin());
    setCurrentIndex(shown_);
}

void DriveList::choose(int index) {
    if (index == shown_ || index < 0)
        return;
    shown_ = index;
    emit changed();
}

} // namespace dorvantile::app
