// dorvantile: the window. It opens on the working folder and writes its catalogues into
// the app folder.
#include "app/drives.h"
#include "app/main_window.h"
#include "platform/paths.h"
#include "platform/posix_environment.h"
#include "platform/posix_file_system.h"
#include "platform/qt/qt_printer.h"
#include "platform/qt/qt_services.h"

#include <QApplication>
#include <QDir>

int main(int argc, char** argv) {
    using namespace dorvantile;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dorvantile"));
    QApplication::setApplicationVersion(QStringLiteral(DORVANTILE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("dorvantile"));

    PosixEnvironment environment;
    PosixFileSystem fileSystem;
    QtMessageBoxes messages;
    QtShell shell;
    QtPrinter printer;
    app::Main window({messages, shell, printer, appFolder(environment),
                      app::mountedDrives(environment, fileSystem),
                      normalizeFolder(QFile::encodeName(QDir::currentPath()).toStdString(), "/")});
    app::showCentred(window);
    return QApplication::exec();
}
