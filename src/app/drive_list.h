// `Drive1`: the drop-down list of drives, and each drive's current folder.
#pragma once

#include <QComboBox>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace dorvantile::app {

/// Shows one of the machine's drives, read again each time the list opens, so that a disk
/// mounted or unmounted meanwhile is seen. A user's choice of another drive than the one
/// shown raises `changed`; choosing the shown drive again is no change. Remembers, per
/// drive, the last folder visited on it in this session, also while a drive is away.
class DriveList final : public QComboBox {
    Q_OBJECT

public:
    /// Gives the drives: mount points, in the order shown.
    using Reader = std::function<std::vector<std::string>()>;

    /// Reads the drives with `reader` now and whenever the list opens.
    explicit DriveList(Reader reader, QWidget* parent = nullptr);

    /// The drive shown.
    const std::string& drive() const { return drives_[static_cast<std::size_t>(shown_)]; }

    /// The drive's current folder: the last folder visited on it, else its mount point.
    std::string currentFolder(const std::string& drive) const;

    /// Shows the drive that holds `folder` and makes `folder` its current folder. Raises no
    /// change: the folder list moved, the user chose nothing.
    void follow(const std::string& folder);

    /// Reads the drives again, then opens the list in the list's own colours.
    void showPopup() override;

signals:
    /// The user chose a drive other than the one shown.
    void changed();

protected:
    /// Flat in the list's own colour under every style, which would shade it as a button.
    void paintEvent(QPaintEvent* event) override;

private:
    void read();
    void choose(int index);

    Reader read_;
    std::vector<std::string> drives_;
    std::map<std::string, std::string> visited_;
    std::string folder_; ///< the folder last followed
    int shown_ = 0;
};

} // namespace dorvantile::app
