#include "app/progress_bar.h"

#include <QPainter>

namespace dorvantile::app {

BarBox::BarBox(QColor background, QWidget* parent) : QFrame(parent), background_(background) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

void BarBox::Cls() {
    picture_.fill(background_);
    update();
}

void BarBox::line(QPoint from, QPoint to, QColor colour) {
    QPainter painter(&picture_);
    painter.setPen(QPen(colour, 1));
    painter.drawLine(from, to);
    update(contentsRect());
}

void BarBox::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.drawImage(contentsRect().topLeft(), picture_);
}

void BarBox::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    picture_ = QImage(contentsRect().size(), QImage::Format_RGB32);
    picture_.fill(background_);
}

void ProgressBar::line(int x1, int y1, int x2, int y2, Rgb colour) {
    bar_.line({x1, y1}, {x2, y2}, QColor(colour.red, colour.green, colour.blue));
}

void ProgressBar::setCaption(std::string_view caption) {
    procentLabel_.setText(
        QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
    procentLabel_.adjustSize();
}

} // namespace dorvantile::app
