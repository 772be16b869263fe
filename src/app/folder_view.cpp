#include "app/folder_view.h"

#include "general/shown_text.h"
#include "platform/attributes.h"
#include "platform/paths.h"

#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

namespace dorvantile::app {
namespace {

constexpr int folderRole = Qt::UserRole;
constexpr int depthRole = Qt::UserRole + 1;
constexpr int indentPerLevel = 8;

// Indents each entry by its depth, icon and all, as in a tree.
class IndentingDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem indented(option);
        indented.rect.adjust(index.data(depthRole).toInt() * indentPerLevel, 0, 0, 0);
        QStyledItemDelegate::paint(painter, indented, index);
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return QStyledItemDelegate::sizeHint(option, index) +
               QSize(index.data(depthRole).toInt() * indentPerLevel, 0);
    }
};

// Names are bytes; shown, a control character would break the entry's line.
QString shownName(std::string_view name) {
    std::string shown(name);
    replaceControls(shown);
    return QFile::decodeName(QByteArray::fromStdString(shown));
}

} // namespace

FolderView::FolderView(FileSystem& fileSystem, QWidget* parent)
    : QListWidget(parent), fileSystem_(fileSystem),
      openIcon_(style()->standardIcon(QStyle::SP_DirOpenIcon)),
      closedIcon_(style()->standardIcon(QStyle::SP_DirClosedIcon)) {
    setItemDelegate(new IndentingDelegate(this));
    // The rows keep their height whatever the desktop's icon theme and style.
    setIconSize(QSize(16, 16));
    setSelectionMode(QAbstractItemView::SingleSelection);
    connect(this, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* item) {
        emit openRequested(QByteArray::fromStdString(folderOf(*item)));
    });
}

std::string FolderView::folderOf(const QListWidgetItem& item) {
    return item.data(folderRole).toByteArray().toStdString();
}

std::error_code FolderView::setPath(const std::string& folder) {
    if (std::error_code error = entries_.read(fileSystem_, folder))
        return error;
    const bool moved = folder != path_;
    path_ = folder;

    clear();
    addEntry("/", "/", 0, true);
    int depth = 0;
    for (std::size_t slash = 0; slash < folder.size();) {
        const std::size_t next = std::min(folder.find('/', slash + 1), folder.size());
        if (next > slash + 1)
            addEntry(folder.substr(0, next), folder.substr(slash + 1, next - slash - 1), ++depth,
                     true);
        slash = next;
    }
    setCurrentRow(count() - 1);
    const std::string base = withSeparator(folder);
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (isSubFolder(entries_.attributes(i)))
            addEntry(base + std::string(entries_.name(i)), entries_.name(i), depth + 1, false);
    }
    showCurrent();
    if (moved)
        emit changed();
    return {};
}

void FolderView::addEntry(const std::string& folder, std::string_view name, int depth, bool open) {
    auto* item = new QListWidgetItem(open ? openIcon_ : closedIcon_, shownName(name), this);
    item->setData(folderRole, QByteArray::fromStdString(folder));
    item->setData(depthRole, depth);
    // A screen reader hears the depth that the indent shows, counted from 1 as trees count.
    item->setData(Qt::AccessibleDescriptionRole, QStringLiteral("level %1").arg(depth + 1));
}

void FolderView::showCurrent() {
    QListWidgetItem* current = currentItem();
    if (current == nullptr)
        return;
    // The current folder stands in the middle, between the nearest folders above it and its
    // sub-folders. From about twenty levels down its indent passes the list's width: the
    // list then scrolls right until the entry's icon and as much of its name as fits show.
    scrollToItem(current, QAbstractItemView::PositionAtCenter);
    QScrollBar& across = *horizontalScrollBar();
    const QRect entry = visualItemRect(current).translated(across.value(), 0);
    const int icon = entry.left() + current->data(depthRole).toInt() * indentPerLevel;
    across.setValue(std::clamp(entry.right() + 1 - viewport()->width(), 0, icon));
}

void FolderView::resizeEvent(QResizeEvent* event) {
    QListWidget::resizeEvent(event);
    // Shown the first time: the list had no size of its own when its path was set.
    showCurrent();
}

void FolderView::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && currentItem()) {
        emit openRequested(QByteArray::fromStdString(folderOf(*currentItem())));
        return;
    }
    QListWidget::keyPressEvent(event);
}

} // namespace dorvantile::app
