#include "app/group_frame.h"

#include <QStyleOptionFrame>
#include <QStylePainter>

namespace dorvantile::app {

void GroupFrame::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.rect = rect().adjusted(0, fontMetrics().height() / 2, 0, 0);
    frame.lineWidth = 1;
    frame.features = QStyleOptionFrame::None;
    painter.drawPrimitive(QStyle::PE_FrameGroupBox, frame);
}

} // namespace dorvantile::app
