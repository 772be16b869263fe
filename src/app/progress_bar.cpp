#include "app/progress_bar.h"

#include <QAccessible>
#include <QPainter>

namespace dorvantile::app {

BarBox::BarBox(QColor background, QWidget* parent) : QFrame(parent), background_(background) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
}

void BarBox::setValue(int percent) {
    if (percent == value_)
        return;
    value_ = percent;
    QAccessibleValueChangeEvent event(this, percent);
    QAccessible::updateAccessibility(&event);
}

void BarBox::Cls() {
    picture_.fill(background_);
    setValue(0);
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
    // A ring over the border alone, so that the picture shows whole: dark outside against the
    // window, light inside against the picture. Unfocused, nothing changes.
    if (hasFocus()) {
        painter.setPen(palette().color(QPalette::Highlight));
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.setPen(palette().color(QPalette::HighlightedText));
        painter.drawRect(rect().adjusted(1, 1, -2, -2));
    }
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
    const QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    procentLabel_.setText(text);
    procentLabel_.adjustSize();
    bar_.setValue(text.section(u'%', 0, 0).toInt());
}

} // namespace dorvantile::app
