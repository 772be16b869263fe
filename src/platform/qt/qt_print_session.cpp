#include "platform/qt/qt_print_session.h"

#include "platform/print_module.h"
#include "platform/qt/qt_printer.h"

#include <QGuiApplication>
#include <QtGlobal>
#include <cstdlib>

namespace dorvantile {
namespace {

/// A program without a window runs Qt without a display unless the user chose a platform:
/// a run from cron, over ssh or in CI must not depend on reaching an X server.
int& offscreenUnlessChosen(int& argc) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return argc;
}

std::function<void(std::string_view)> errorReporter;

/// Qt's warnings about its surroundings (such as XDG_RUNTIME_DIR unset under cron) would only
/// clutter the program's own messages; its errors are passed on.
void onlyQtErrors(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if ((type == QtCriticalMsg || type == QtFatalMsg) && errorReporter)
        errorReporter(message.toLocal8Bit().toStdString());
}

/// Keeps Qt's messages to its errors for as long as it lives.
class QtErrorsOnly {
public:
    explicit QtErrorsOnly(std::function<void(std::string_view)> report)
        : previous_(qInstallMessageHandler(onlyQtErrors)) {
        errorReporter = std::move(report);
    }
    QtErrorsOnly(const QtErrorsOnly&) = delete;
    QtErrorsOnly& operator=(const QtErrorsOnly&) = delete;
    ~QtErrorsOnly() {
        qInstallMessageHandler(previous_);
        errorReporter = nullptr;
    }

private:
    QtMessageHandler previous_;
};

} // namespace

struct QtPrintSession::Parts {
    Parts(int& argc, char** argv, const std::string& queue,
          std::function<void(std::string_view)> report)
        : errorsOnly(std::move(report)), application(offscreenUnlessChosen(argc), argv),
          printer(queue) {}
    QtErrorsOnly errorsOnly; // first in, last out: it outlives the application
    QGuiApplication application;
    QtPrinter printer;
};

QtPrintSession::QtPrintSession(int& argc, char** argv, const std::string& queue,
                               std::function<void(std::string_view)> reportError)
    : parts_(std::make_unique<Parts>(argc, argv, queue, std::move(reportError))) {}

QtPrintSession::~QtPrintSession() = default;

std::unique_ptr<PrintSurface> QtPrintSession::startJob() {
    return parts_->printer.startJob();
}

} // namespace dorvantile

// The module's one exported symbol: everything else in it is hidden.
extern "C" __attribute__((visibility("default"))) dorvantile::Printer*
dorvantile_make_printer(int* argc, char** argv, const char* queue,
                        void (*reportError)(const char* message)) {
    return new dorvantile::QtPrintSession(
        *argc, argv, queue,
        [reportError](std::string_view message) { reportError(std::string(message).c_str()); });
}
