#include "app/picture_knop.h"

#include "app/twips.h"

#include <QMouseEvent>
#include <QPainter>

namespace dorvantile::app {

QImage knopPicture(const KnopLook& look, qreal ratio) {
    constexpr int width = 40;
    constexpr int height = 30;
    constexpr int bevel = 2;
    QImage image(QSize(width, height) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio); // the painter draws in pixels
    image.fill(Qt::black);
    QPainter painter(&image);
    const QRect inside(1, 1, width - 2, height - 2);
    painter.fillRect(inside, look.face);
    // Bevels: a band along the top and left edges, and along the bottom and right ones.
    painter.fillRect(QRect(inside.left(), inside.top(), inside.width(), bevel), look.light);
    painter.fillRect(QRect(inside.left(), inside.top(), bevel, inside.height()), look.light);
    painter.fillRect(QRect(inside.left(), inside.bottom() - bevel + 1, inside.width(), bevel),
                     look.dark);
    painter.fillRect(QRect(inside.right() - bevel + 1, inside.top(), bevel, inside.height()),
                     look.dark);
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(12);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(QColor(200, 200, 200));
    painter.drawText(inside, Qt::AlignCenter, look.word);
    return image;
}

QImage iconPicture(int size) {
    return QImage(QStringLiteral(":/dorvantile.png"))
        .scaled(size, size, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

void SharpPicture::setDrawing(Drawing drawing) {
    drawing_ = std::move(drawing);
    const QImage image = drawing_(devicePixelRatioF());
    setPixmap(QPixmap::fromImage(image));
    resize(image.deviceIndependentSize().toSize());
}

void SharpPicture::paintEvent(QPaintEvent* event) {
    // The window may have moved to a screen of another scale since the picture was drawn.
    if (drawing_ && pixmap().devicePixelRatio() != devicePixelRatioF())
        setPixmap(QPixmap::fromImage(drawing_(devicePixelRatioF())));
    QLabel::paintEvent(event);
}

void PictureKnop::setTop(int twips) {
    move(x(), pixels(twips));
}

void PictureKnop::setLeft(int twips) {
    move(pixels(twips), y());
}

void PictureKnop::setShortcut(const QList<QKeySequence>& keys) {
    if (shortcut_ == nullptr) {
        shortcut_ = new QShortcut(this);
        connect(shortcut_, &QShortcut::activated, this, &PictureKnop::clicked);
    }
    shortcut_->setKeys(keys);
}

QStringList PictureKnop::shortcutNames() const {
    QStringList names;
    for (const QKeySequence& key : shortcut_ ? shortcut_->keys() : QList<QKeySequence>())
        names << key.toString(QKeySequence::NativeText);
    return names;
}

void PictureKnop::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void PictureKnop::mouseReleaseEvent(QMouseEvent* event) {
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}

} // namespace dorvantile::app
