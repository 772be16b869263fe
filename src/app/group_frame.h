// `Frame1`, `Frame2`, `Frame3`: bordered groups without a caption.
#pragma once

#include <QWidget>

namespace dorvantile::app {

/// A group box without caption. Its border starts half a line of text below its top edge,
/// where a caption would sit, as a group box with a caption would draw it.
class GroupFrame final : public QWidget {
    Q_OBJECT

public:
    explicit GroupFrame(QWidget* parent = nullptr) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace dorvantile::app
