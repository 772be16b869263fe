#include "app/drive_list.h"

#include "app/drives.h"

#include <QAbstractItemView>
#include <QFile>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <qdrawutil.h>

namespace dorvantile::app {

DriveList::DriveList(Reader reader, QWidget* parent) : QComboBox(parent), read_(std::move(reader)) {
    read();
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
    folder_ = folder;
    const std::string drive = driveOf(drives_, folder);
    visited_[drive] = folder;
    const auto found = std::find(drives_.begin(), drives_.end(), drive);
    if (found == drives_.end())
        return;
    shown_ = static_cast<int>(found - drives_.begin());
    setCurrentIndex(shown_);
}

void DriveList::showPopup() {
    read();
    // The list opens in a window of its own, drawn like a menu in the desktop's colours for
    // every role not set on it: all of them are ours.
    QPalette colours = palette();
    colours.setResolveMask(~QPalette::ResolveMask(0));
    view()->setPalette(colours);
    QComboBox::showPopup();
}

void DriveList::read() {
    const std::string shown = drives_.empty() ? std::string() : drive();
    drives_ = read_();
    if (drives_.empty())
        drives_.emplace_back("/");
    clear();
    for (const std::string& drive : drives_)
        addItem(QFile::decodeName(QByteArray::fromStdString(drive)));
    // The drive shown stays; once it is gone, the one that now holds the folder list's folder.
    auto found = std::find(drives_.begin(), drives_.end(), shown);
    if (found == drives_.end())
        found = std::find(drives_.begin(), drives_.end(), driveOf(drives_, folder_));
    shown_ = found == drives_.end() ? 0 : static_cast<int>(found - drives_.begin());
    setCurrentIndex(shown_);
}

void DriveList::choose(int index) {
    if (index == shown_ || index < 0)
        return;
    shown_ = index;
    emit changed();
}

void DriveList::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& colours = palette();
    qDrawWinPanel(&painter, rect(), colours, true, &colours.brush(QPalette::Base));
    const int arrow = height() - 4;
    const QRect field = rect().adjusted(2, 2, -2 - arrow, -2);
    const bool focused = hasFocus();
    if (focused)
        painter.fillRect(field.adjusted(1, 1, -1, -1), colours.brush(QPalette::Highlight));
    painter.setPen(colours.color(focused ? QPalette::HighlightedText : QPalette::Text));
    const QRect text = field.adjusted(4, 0, -2, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(currentText(), Qt::ElideMiddle, text.width()));
    QStyleOption option;
    option.initFrom(this);
    option.rect = QRect(field.right() + 1, 2, arrow, arrow);
    style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &option, &painter, this);
}

} // namespace dorvantile::app
