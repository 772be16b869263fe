// `Frame1`, `Frame2`, `Frame3`: bordered groups without a caption.
#pragma once

#include <QWidget>

namespace dorvantile::app {

/// A group box without caption: an etched border whose top line lies half a line of the
/// caption font below its top edge, where a caption would sit, so that every child lies
/// inside it. It is drawn in the window's own colours, the same under every style.
class GroupFrame final : public QWidget {
    Q_OBJECT

public:
    explicit GroupFrame(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace dorvantile::app
