// `Drive1`: the drop-down list of drives, and each drive's current folder.
#pragma once

#include <QComboBox>
#include <map>
#include <string>
#include <vector>

namespace dorvantile::app {

/// Shows one drive of a fixed list. A user's choice of another drive than the one shown
/// raises `changed`; choosing the shown drive again is no change. Remembers, per drive, the
/// last folder visited on it in this session.
class DriveList final : public QComboBox {
    Q_OBJECT

public:
    /// `drives`: mount points, shown in this order.
    explicit DriveList(std::vector<std::string> drives, QWidget* parent = nullptr);

    /// The drive shown.
    const std::string& drive() const { return drives_[static_cast<std::size_t>(shown_)]; }

    /// The drive's current folder: the last folder visited on it, else its mount point.
    std::string currentFolder(const std::string& drive) const;

    /// Shows the drive that holds `folder` and makes `folder` its current folder. Raises no
    /// change: the folder list moved, the user chose nothing.
    void follow(const std::string& folder);

signals:
    /// The user chose a drive other than the one shown.
    void changed();

private:
    void choose(int index);

    std::vector<std::string> drives_;
    std::map<std::string, std::string> visited_;
    int shown_ = 0;
};

} // namespace dorvantile::app
