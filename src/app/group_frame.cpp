#include "app/group_frame.h"

#include <QPainter>

namespace dorvantile::app {

void GroupFrame::paintEvent(QPaintEvent*) {
    // Styles draw a group box's border below room for a caption and an indicator (24 pixels
    // down under Fusion), which would cut through the first row of children. The etched
    // line is a dark and a light band of one pixel each, filled rather than stroked so that
    // neither vanishes at a fractional scale.
    QPainter painter(this);
    const QRect outer = rect().adjusted(0, fontMetrics().height() / 2, -1, -1);
    const auto box = [&painter](const QRect& edges, const QColor& colour) {
        painter.fillRect(edges.left(), edges.top(), edges.width(), 1, colour);
        painter.fillRect(edges.left(), edges.bottom(), edges.width(), 1, colour);
        painter.fillRect(edges.left(), edges.top(), 1, edges.height(), colour);
        painter.fillRect(edges.right(), edges.top(), 1, edges.height(), colour);
    };
    box(outer.translated(1, 1), palette().color(QPalette::Light));
    box(outer, palette().color(QPalette::Dark));
}

} // namespace dorvantile::app
