#include "cli/print_session.h"

#include "platform/qt/qt_printer.h"

#include <QGuiApplication>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

namespace dorvantile::cli {
namespace {

/// The command line shows no window, so Qt runs without a display unless the user chose a
/// platform: a run from cron, over ssh or in CI must not depend on reaching an X server.
int& offscreenUnlessChosen(int& argc) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return argc;
}

/// The command line reports its own failures, one line each; Qt's warnings about its
/// surroundings (such as XDG_RUNTIME_DIR unset under cron) would only clutter them.
void onlyQtErrors(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "dorvantile-cli: %s\n", message.toLocal8Bit().constData());
}

/// Keeps Qt's messages to its errors for as long as it lives.
class QtErrorsOnly {
public:
    QtErrorsOnly() : previous_(qInstallMessageHandler(onlyQtErrors)) {}
    QtErrorsOnly(const QtErrorsOnly&) = delete;
    QtErrorsOnly& operator=(const QtErrorsOnly&) = delete;
    ~QtErrorsOnly() { qInstallMessageHandler(previous_); }

private:
    QtMessageHandler previous_;
};

} // namespace

struct PrintSession::Parts {
    Parts(int& argc, char** argv, const std::string& queue)
        : application(offscreenUnlessChosen(argc), argv), printer(queue) {}
    QtErrorsOnly errorsOnly; // first in, last out: it outlives the application
    QGuiApplication application;
    QtPrinter printer;
};

PrintSession::PrintSession(int& argc, char** argv, const std::string& queue)
    : parts_(std::make_unique<Parts>(argc, argv, queue)) {}

PrintSession::~PrintSession() = default;

Printer& PrintSession::printer() {
    return parts_->printer;
}

} // namespace dorvantile::cli
