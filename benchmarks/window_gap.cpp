// window_gap: how long the window goes without handling events during a catalogue run.
//
//   window_gap [--text] FOLDER [OUTPUT_FOLDER]
//
// Opens the real window (offscreen unless QT_QPA_PLATFORM says otherwise) on FOLDER, starts a
// run with the HTML choice (--text: the text choice) and times every pass of the message loop
// with a zero-interval timer, which fires once per pass. The longest gap between two passes
// is how long a click or a repaint may wait; the goal is under 100 ms. The catalogue goes to
// OUTPUT_FOLDER (default: a new temporary folder, removed afterwards); nothing is opened and
// no message box is shown.
#include "app/main_window.h"
#include "platform/output_file.h"
#include "platform/paths.h"
#include "platform/posix_environment.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

class QuietMessages final : public dorvantile::MessageBoxes {
public:
    void show(std::string_view prompt, std::string_view, dorvantile::MessageIcon icon) override {
        if (icon == dorvantile::MessageIcon::Critical)
            std::fprintf(stderr, "window_gap: %.*s\n", static_cast<int>(prompt.size()),
                         prompt.data());
    }
};

class NoShell final : public dorvantile::Shell {
public:
    void open(const std::string&) override {}
};

class NoPrinter final : public dorvantile::Printer {
public:
    std::unique_ptr<dorvantile::PrintSurface> startJob() override {
        throw dorvantile::CatalogueError("window_gap does not print");
    }
};

double milliseconds(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QStringList args = QApplication::arguments().mid(1);
    const bool text = args.removeAll(QStringLiteral("--text")) > 0;
    if (args.isEmpty() || args.size() > 2) {
        std::fputs("Usage: window_gap [--text] FOLDER [OUTPUT_FOLDER]\n", stderr);
        return 2;
    }
    const std::string folder =
        dorvantile::normalizeFolder(QFile::encodeName(args[0]).toStdString(),
                                    QFile::encodeName(QDir::currentPath()).toStdString());
    QTemporaryDir scratch;
    const QString output = args.size() == 2 ? args[1] : scratch.path();

    QuietMessages messages;
    NoShell shell;
    NoPrinter printer;
    dorvantile::app::Main window({messages, shell, printer, QFile::encodeName(output).toStdString(),
                                  dorvantile::processMountTable(), folder});
    window.show();
    if (text)
        window.findChild<QAbstractButton*>(QStringLiteral("Keuze2"))->setChecked(true);

    std::vector<double> gaps;
    Clock::time_point last = Clock::now();
    QTimer pass;
    QObject::connect(&pass, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        gaps.push_back(milliseconds(now - last));
        last = now;
    });
    pass.start(0);

    const Clock::time_point start = Clock::now();
    last = start;
    window.OkKnop_Click();
    const Clock::time_point end = Clock::now();
    pass.stop();
    gaps.push_back(milliseconds(end - last));

    std::sort(gaps.begin(), gaps.end());
    const auto over = [&gaps](double limit) {
        return gaps.end() - std::upper_bound(gaps.begin(), gaps.end(), limit);
    };
    const auto percentile = [&gaps](double p) {
        return gaps[std::min(gaps.size() - 1, static_cast<std::size_t>(p * gaps.size()))];
    };
    std::printf("folder          %s\n", folder.c_str());
    std::printf("output          %s\n", text ? "text" : "html");
    std::printf("run             %.0f ms\n", milliseconds(end - start));
    std::printf("loop passes     %zu\n", gaps.size());
    std::printf("gap p50         %.2f ms\n", percentile(0.50));
    std::printf("gap p99.9       %.2f ms\n", percentile(0.999));
    std::printf("longest gap     %.1f ms\n", gaps.back());
    std::printf("gaps > 50 ms    %td\n", over(50));
    std::printf("gaps > 100 ms   %td\n", over(100));
    return gaps.back() < 100.0 ? 0 : 1;
}
