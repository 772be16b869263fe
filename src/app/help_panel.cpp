#include "app/help_panel.h"

#include <QMouseEvent>

namespace dorvantile::app {

HelpPanel::HelpPanel(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::NoWrap);
}

void HelpPanel::setHelpText(const std::string& text) {
    // The text keeps the CR LF line ends; the editor separates paragraphs by LF alone.
    QString shown = QString::fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    setPlainText(shown);
}

void HelpPanel::mousePressEvent(QMouseEvent* event) {
    QPlainTextEdit::mousePressEvent(event);
    pressed_ = event->button() == Qt::LeftButton;
}

void HelpPanel::mouseReleaseEvent(QMouseEvent* event) {
    QPlainTextEdit::mouseReleaseEvent(event);
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       viewport()->rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click)
        emit clicked();
}

} // namespace dorvantile::app
