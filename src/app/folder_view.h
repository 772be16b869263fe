// `Dir1`: the folder list, the path down to the chosen folder and its sub-folders.
#pragma once

#include "platform/controls.h"
#include "platform/directory_entries.h"
#include "platform/file_system.h"

#include <QListWidget>
#include <string>
#include <system_error>

namespace dorvantile::app {

/// Lists the path from "/" down to the current folder, indented like a tree, then the
/// current folder's plain sub-folders (hidden folders and links to folders are not shown,
/// as the catalogue does not enter them). A single click only highlights an entry; a
/// double-click or Enter asks for the entry to be opened, and the window decides whether
/// it opens now (a run may be using the folder list). Each entry's accessible description
/// is its depth, "level 1" for "/".
class FolderView final : public QListWidget, public ChosenFolder {
    Q_OBJECT

public:
    FolderView(FileSystem& fileSystem, QWidget* parent = nullptr);

    /// The current folder: absolute, no trailing "/" except the root.
    std::string path() const override { return path_; }

    /// Makes `folder` (absolute, normalised) the current folder and raises `changed` when
    /// that is a different folder. When the folder cannot be read, returns the system's
    /// reason and leaves the list as it was.
    [[nodiscard]] std::error_code setPath(const std::string& folder);

    /// The folder that an entry stands for.
    static std::string folderOf(const QListWidgetItem& item);

signals:
    /// The user double-clicked an entry, or pressed Enter on it.
    void openRequested(const QByteArray& folder);
    /// The current folder changed.
    void changed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    /// Scrolls the current folder's entry into view, however deep it lies.
    void showCurrent();
    void addEntry(const std::string& folder, std::string_view name, int depth, bool open);

    FileSystem& fileSystem_;
    QIcon openIcon_;
    QIcon closedIcon_;
    std::string path_;
    DirectoryEntries entries_;
};

} // namespace dorvantile::app
