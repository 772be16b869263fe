// dorvantile: the window. It opens on the working folder and writes its catalogues into
// the app folder.
#include "app/main_window.h"
#include "platform/paths.h"
#include "platform/posix_environment.h"
#include "platform/posix_process.h"
#include "platform/qt/qt_printer.h"
#include "platform/qt/qt_services.h"
#include "run/run_control.h"

#include <QApplication>

int main(int argc, char** argv) {
    using namespace dorvantile;
    prepareProcess();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dorvantile"));
    QApplication::setApplicationVersion(QStringLiteral(DORVANTILE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("dorvantile"));

    PosixEnvironment environment;
    std::string working; // as bytes: the folder's name need not be valid UTF-8
    const bool known = !environment.workingFolder(working);
    QtMessageBoxes messages;
    QtShell shell;
    QtPrinter printer;
    std::string problem;
    const std::string folder = appFolder(environment, environment, problem);
    if (folder.empty()) {
        messages.show("There is no folder for the catalogues: " + problem + ".", applicationTitle,
                      MessageIcon::Critical);
        return 1;
    }
    app::Main window({messages, shell, printer, folder, processMountTable(),
                      normalizeFolder(known ? working : std::string("/"), "/")});
    app::showCentred(window);
    return QApplication::exec();
}
