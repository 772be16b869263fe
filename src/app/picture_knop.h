// `OkKnop` and `ExitKnop`: clickable pictures, and the two button pictures they show.
#pragma once

#include "platform/controls.h"

#include <QLabel>

namespace dorvantile::app {

/// The look of a button picture: a raised face with a bevel, outlined, with a bold word.
struct KnopLook {
    QColor face;
    QColor light; ///< bevel at the upper left
    QColor dark;  ///< bevel at the lower right
    QString word;
};

/// The 40 x 30 pixel picture of a raised button.
QImage knopPicture(const KnopLook& look);

/// A borderless picture, as large as its image, that reports clicks and can be moved in
/// twips within its container (the press animation).
class PictureKnop final : public QLabel, public Picture {
    Q_OBJECT

public:
    explicit PictureKnop(QWidget* parent = nullptr);

    /// Shows `image` and takes its size.
    void setImage(const QImage& image);

    void setTop(int twips) override;
    void setLeft(int twips) override;

signals:
    /// The left button was pressed and released over the picture.
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};

} // namespace dorvantile::app
