#include "platform/qt/qt_services.h"

#include "general/shown_text.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QMessageBox>
#include <QUrl>
#include <chrono>

namespace dorvantile {

double QtEventLoop::now() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return std::chrono::duration<double>(since).count();
}

void QtEventLoop::processEvents() {
    QCoreApplication::processEvents();
    if (stopped_)
        throw LoopStopped{};
}

QtPointer::~QtPointer() {
    set(MousePointer::Arrow);
}

void QtPointer::set(MousePointer pointer) {
    if (pointer == MousePointer::Hourglass && !overridden_) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        overridden_ = true;
    } else if (pointer == MousePointer::Arrow && overridden_) {
        QGuiApplication::restoreOverrideCursor();
        overridden_ = false;
    }
}

void QtMessageBoxes::show(std::string_view prompt, std::string_view title, MessageIcon icon) {
    // A name in the prompt cannot break its line or forge another.
    std::string shown(prompt);
    replaceControls(shown);
    QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
                    QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size())),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtShell::open(const std::string& target) {
    const QByteArray bytes(target.data(), static_cast<qsizetype>(target.size()));
    // A file's address percent-encodes its name's exact bytes, valid UTF-8 or not.
    const QUrl url = target.starts_with('/')
                         ? QUrl::fromEncoded("file://" + bytes.toPercentEncoding("/"))
                         : QUrl(QString::fromUtf8(bytes), QUrl::TolerantMode);
    QDesktopServices::openUrl(url);
}

} // namespace dorvantile
