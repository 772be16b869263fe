// `OkKnop`, `ExitKnop` and `Image1`: pictures drawn for the screen they are on, the two
// button pictures and the program's icon.
#pragma once

#include "platform/controls.h"

#include <QLabel>
#include <QShortcut>
#include <functional>

namespace dorvantile::app {

/// The look of a button picture: a raised face with a bevel, outlined, with a bold word.
struct KnopLook {
    QColor face;
    QColor light; ///< bevel at the upper left
    QColor dark;  ///< bevel at the lower right
    QString word;
};

/// The 40 x 30 pixel picture of a raised button, drawn with `ratio` device pixels to a pixel.
QImage knopPicture(const KnopLook& look, qreal ratio = 1);

/// The program's 32 x 32 pixel icon at `size` x `size` device pixels, each of its pixels a
/// block of device pixels: larger, it stays as sharp as it was drawn.
QImage iconPicture(int size);

/// A borderless picture as large as its drawing, drawn again whenever the device pixel
/// ratio of its screen changes, so that it is sharp at any scale.
class SharpPicture : public QLabel {
    Q_OBJECT

public:
    /// Draws the picture with the ratio of device pixels to pixels it is given.
    using Drawing = std::function<QImage(qreal ratio)>;

    explicit SharpPicture(QWidget* parent = nullptr) : QLabel(parent) {}

    /// Shows what `drawing` draws and takes its size.
    void setDrawing(Drawing drawing);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Drawing drawing_;
};

/// A picture that reports clicks and can be moved in twips within its container (the press
/// animation). It takes no focus, so that the window's order of focus stays as it is; keys
/// click it instead wherever the focus is.
class PictureKnop final : public SharpPicture, public Picture {
    Q_OBJECT

public:
    explicit PictureKnop(QWidget* parent = nullptr) : SharpPicture(parent) {}

    void setTop(int twips) override;
    void setLeft(int twips) override;

    /// Makes each of `keys` click the picture while its window is active.
    void setShortcut(const QList<QKeySequence>& keys);
    /// The keys that click it, as a screen reader says them ("Ctrl+Q").
    QStringList shortcutNames() const;

signals:
    /// The left button was pressed and released over the picture, one of its keys was
    /// pressed, or a screen reader pressed it.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
    QShortcut* shortcut_ = nullptr;
};

} // namespace dorvantile::app
