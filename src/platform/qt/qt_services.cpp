#include "platform/qt/qt_services.h"

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
    QMessageBox box(icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
                    QString::fromUtf8(prompt.data(), static_cast<qsizetype>(prompt.size())),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtShell::open(const std::string& target) {
    const QByteArray bytes(target.data(), static_cast<qsizetype>(target.size()));
    const QUrl url = target.starts_with('/') ? QUrl::fromLocalFile(QFile::decodeName(bytes))
                                             : QUrl(QString::fromUtf8(bytes), QUrl::TolerantMode);
    QDesktopServices::openUrl(url);
}

} // namespace dorvantile
