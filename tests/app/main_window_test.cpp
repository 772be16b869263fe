// The window driven as a user drives it: clicks, double-clicks and keys on the real controls,
// under the offscreen platform. Message boxes are recorded instead of shown; the shell's open
// requests are caught by URL handlers.
#include "app/contact.h"
#include "app/help_text.h"
#include "app/main_window.h"
#include "platform/fakes/fake_controls.h"
#include "support/temp_tree.h"

#include <QDesktopServices>
#include <QDir>
#include <QMoveEvent>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <optional>

using namespace dorvantile;
using namespace dorvantile::app;
using dorvantile::testing::readFile;
using dorvantile::testing::TempTree;

namespace {

class RecordingMessages final : public MessageBoxes {
public:
    struct Shown {
        std::string prompt;
        std::string title;
        MessageIcon icon;
    };
    std::vector<Shown> shown;
    void show(std::string_view prompt, std::string_view title, MessageIcon icon) override {
        shown.push_back({std::string(prompt), std::string(title), icon});
    }
};

/// Positions a widget moved through, in order.
class MoveRecorder final : public QObject {
public:
    explicit MoveRecorder(QWidget* widget) { widget->installEventFilter(this); }
    QList<QPoint> moves;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Move)
            moves.push_back(static_cast<QMoveEvent*>(event)->pos());
        return false;
    }
};

/// A window over a recording message box, the Qt shell and a recording printer, writing its
/// catalogues into a folder of its own.
struct Harness {
    explicit Harness(const std::string& start, std::vector<std::string> drives = {"/"},
                     std::optional<std::string> outputFolder = std::nullopt)
        : printer(journal) {
        window = std::make_unique<Main>(WindowServices{messages, shell, printer,
                                                       outputFolder.value_or(output.root()),
                                                       std::move(drives), start});
        window->show();
    }

    template <class Widget> Widget* control(const char* name) const {
        auto* widget = window->findChild<Widget*>(QLatin1String(name));
        if (widget == nullptr)
            qFatal("no control %s", name);
        return widget;
    }
    FolderView* dir1() const { return control<FolderView>("Dir1"); }
    const QImage& bar() const { return control<BarBox>("Bar")->picture(); }
    bool barDrawn() const { return bar().pixelColor(0, 0) != QColor(0, 0, 64); }
    void click(const char* name) const {
        QTest::mouseClick(control<QWidget>(name), Qt::LeftButton);
    }
    std::string html() const { return readFile(output.path("Files.html")); }
    std::string text() const { return readFile(output.path("Files.txt")); }

    /// Calls `action` once, in the first pass of the message loop in which `condition` holds.
    void when(std::function<bool()> condition, std::function<void()> action) {
        QObject::connect(&poll, &QTimer::timeout, [this, condition, action] {
            if (!acted && condition()) {
                acted = true;
                action();
            }
        });
        poll.start(0);
    }
    /// Calls `action` once the progress bar shows a line: the first writer of a run in
    /// progress has started, and has not written yet.
    void duringWriter(std::function<void()> action) {
        when([this] { return barDrawn(); }, std::move(action));
    }
    /// Whether the page is being written: its unfinished file is there.
    bool writingPage() const {
        return !QDir(QString::fromStdString(output.root()))
                    .entryList({QStringLiteral(".Files.html*")}, QDir::Files | QDir::Hidden)
                    .isEmpty();
    }

    RecordingMessages messages;
    QtShell shell;
    fakes::Journal journal;
    fakes::FakePrinter printer;
    TempTree output;
    std::unique_ptr<Main> window;
    QTimer poll;
    bool acted = false;
};

/// Catches the shell's requests to open files and web addresses.
class OpenRecorder final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

/// A small tree with files at two levels, a hidden folder and a link to a folder.
void makeTree(const TempTree& tree) {
    tree.file("Notes.TXT", "n");
    tree.file("alpha/One.txt", "1");
    tree.file("alpha/inner/Two.txt", "2");
    tree.file("beta/b.txt", "b");
    tree.file(".hidden/secret.txt", "s");
    tree.link("link", "alpha");
}

std::string cliCatalogue(const std::string& format, const std::string& folder,
                         const TempTree& scratch) {
    const std::string out = scratch.path("cli." + format);
    QProcess cli;
    cli.start(QStringLiteral(DORVANTILE_CLI),
              {QStringLiteral("--format"), QString::fromStdString(format),
               QStringLiteral("--output"), QString::fromStdString(out),
               QString::fromStdString(folder)});
    if (!cli.waitForFinished(30000) || cli.exitCode() != 0)
        qFatal("dorvantile-cli failed: %s", cli.readAllStandardError().constData());
    return readFile(out);
}

QStringList entries(const QListWidget& list) {
    QStringList texts;
    for (int i = 0; i < list.count(); ++i)
        texts << list.item(i)->text();
    return texts;
}

QListWidgetItem* entry(const QListWidget& list, const QString& text) {
    const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.front();
}

void doubleClick(QListWidget& list, QListWidgetItem* item) {
    const QPoint at = list.visualItemRect(item).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}

/// Runs the application's event loop until `start` has led to the end of the program, or
/// fails after ten seconds.
int execUntilEnd(const std::function<void()>& start) {
    QTimer::singleShot(0, start);
    bool timedOut = false;
    QTimer::singleShot(10000, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(99);
    });
    const int code = QCoreApplication::exec();
    if (timedOut)
        qWarning("the program did not end");
    return code;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    OpenRecorder recorder_;

private slots:
    void initTestCase() {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder_, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder_, "open");
    }
    void init() { recorder_.opened.clear(); }
    void cleanupTestCase() {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void startUpShowsTheWindowAsDesigned() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root(), {"/", tree.root()});

        QCOMPARE(h.window->minimumSize(), QSize(447, 262));
        QCOMPARE(h.window->maximumSize(), QSize(447, 262));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Dorvantile"));
        QVERIFY(h.control<QWidget>("Text1")->isHidden());
        QCOMPARE(h.control<QWidget>("HelpKnop")->toolTip(),
                 QStringLiteral(" Click for open Helpwindow "));

        QVERIFY(h.control<QRadioButton>("Keuze1")->isChecked());
        QVERIFY(!h.control<QRadioButton>("Keuze2")->isChecked());
        QVERIFY(!h.control<QRadioButton>("Keuze3")->isChecked());
        QCOMPARE(h.control<QWidget>("Keuze1")->geometry(), QRect(24, 66, 160, 19));
        QCOMPARE(h.control<QWidget>("Keuze2")->geometry(), QRect(24, 86, 160, 19));
        QCOMPARE(h.control<QWidget>("Keuze3")->geometry(), QRect(24, 106, 160, 19));

        QCOMPARE(h.control<QWidget>("Frame1")->geometry(), QRect(5, -1, 180, 259));
        QCOMPARE(h.control<QWidget>("Frame2")->geometry(), QRect(191, -1, 252, 190));
        QCOMPARE(h.control<QWidget>("Frame3")->geometry(), QRect(191, 190, 252, 68));
        QCOMPARE(h.control<QWidget>("OkKnop")->geometry(), QRect(202, 151, 40, 30));
        QCOMPARE(h.control<QWidget>("ExitKnop")->geometry(), QRect(202, 30, 40, 30));
        QCOMPARE(h.control<QWidget>("Image1")->geometry(), QRect(10, 150, 32, 32));
        QCOMPARE(h.control<QWidget>("Bar")->geometry(), QRect(9, 16, 234, 20));

        QCOMPARE(h.control<QLabel>("ProcentLabel")->text(), QStringLiteral("0%"));
        const QImage& bar = h.bar();
        QCOMPARE(bar.size(), QSize(230, 16));
        for (int y = 0; y < bar.height(); ++y) {
            for (int x = 0; x < bar.width(); ++x)
                QCOMPARE(bar.pixelColor(x, y), QColor(0, 0, 64));
        }

        // Start-up leaves the lists on the working folder.
        QCOMPARE(h.dir1()->path(), tree.root());
        QCOMPARE(h.window->file1().folder(), tree.root());
        QCOMPARE(h.control<QComboBox>("Drive1")->currentText(),
                 QString::fromStdString(tree.root()));
        QCOMPARE(h.window->focusWidget(), h.control<QWidget>("Drive1"));
    }

    void helpPanelOpensClosesAndLinksToTheWebsite() {
        TempTree tree;
        Harness h(tree.root());
        auto* text1 = h.control<QPlainTextEdit>("Text1");
        const std::string expected = "\r\n"
                                     " 1. Double click on folder or subfolder\r\n"
                                     " 2. Select for save to Html, Text or Printer\r\n"
                                     " 3. Puch the Ok-button for run program\r\n"
                                     "     Maximal files to save is about 30.000,\r\n"
                                     "\r\n"
                                     "     \r\n"
                                     "     Website: https://dorvantile.example.org\r\n"
                                     "     E-mail: info@dorvantile.example.org\r\n";
        QCOMPARE(helpText(), expected);
        QCOMPARE(text1->toPlainText(), QString::fromStdString(expected).replace(
                                           QStringLiteral("\r\n"), QStringLiteral("\n")));
        QCOMPARE(text1->font().family(), QStringLiteral("Arial"));
        QCOMPARE(text1->font().pointSize(), 9);

        h.click("HelpKnop");
        QVERIFY(text1->isVisible());
        QCOMPARE(h.control<QWidget>("HelpKnop")->toolTip(),
                 QStringLiteral(" Click for close Helpwindow "));
        // The open panel covers the start picture.
        QCOMPARE(h.control<QWidget>("Frame2")->childAt(h.control<QWidget>("OkKnop")->pos()),
                 text1->viewport());

        QTest::mouseClick(text1->viewport(), Qt::LeftButton);
        QCOMPARE(recorder_.opened, QList<QUrl>{QUrl(QString::fromUtf8(websiteAddress))});
        QVERIFY(text1->isVisible());

        h.click("HelpKnop");
        QVERIFY(text1->isHidden());
        QCOMPARE(h.control<QWidget>("HelpKnop")->toolTip(),
                 QStringLiteral(" Click for open Helpwindow "));
    }

    void folderListOpensOnDoubleClickOnly() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root());
        FolderView& dir1 = *h.dir1();
        const QString rootName = QDir(QString::fromStdString(tree.root())).dirName();

        // The path down to the folder, then its plain sub-folders: no hidden folder, no link.
        const QStringList shown = entries(dir1);
        QCOMPARE(shown.front(), QStringLiteral("/"));
        QCOMPARE(shown.mid(shown.size() - 3),
                 (QStringList{rootName, QStringLiteral("alpha"), QStringLiteral("beta")}));

        QListWidgetItem* beta = entry(dir1, QStringLiteral("beta"));
        QTest::mouseClick(dir1.viewport(), Qt::LeftButton, {}, dir1.visualItemRect(beta).center());
        QCOMPARE(dir1.currentItem(), beta);
        QCOMPARE(dir1.path(), tree.root());
        QCOMPARE(h.window->file1().folder(), tree.root());

        doubleClick(dir1, beta);
        QCOMPARE(dir1.path(), tree.path("beta"));
        QCOMPARE(h.window->file1().folder(), tree.path("beta"));
        QCOMPARE(h.window->file1().count(), std::size_t{1});
        QCOMPARE(h.window->file1().at(0), std::string_view("b.txt"));
        QCOMPARE(entries(dir1).back(), QStringLiteral("beta"));

        // Up again through the entry of a folder on the path.
        doubleClick(dir1, entry(dir1, rootName));
        QCOMPARE(dir1.path(), tree.root());
        QCOMPARE(h.window->file1().folder(), tree.root());
        QVERIFY(h.messages.shown.empty());

        // A folder that went away after it was listed is reported, and nothing moves.
        QVERIFY(QDir(QString::fromStdString(tree.path("beta"))).removeRecursively());
        doubleClick(dir1, entry(dir1, QStringLiteral("beta")));
        QCOMPARE(dir1.path(), tree.root());
        QCOMPARE(h.window->file1().folder(), tree.root());
        QCOMPARE(h.messages.shown.size(), std::size_t{1});
        QCOMPARE(h.messages.shown[0].prompt, tree.path("beta") + ": No such file or directory");
        QVERIFY(h.messages.shown[0].icon == MessageIcon::Critical);
    }

    void driveThatCannotBeOpenedLeavesTheFolderWhereItWas() {
        TempTree tree;
        makeTree(tree);
        const std::string gone = tree.path("unplugged");
        Harness h(tree.path("alpha"), {"/", tree.root(), gone});
        auto* drive1 = h.control<QComboBox>("Drive1");
        QCOMPARE(drive1->currentText(), QString::fromStdString(tree.root()));

        QTest::keyClick(drive1, Qt::Key_Down);
        QCOMPARE(h.messages.shown.size(), std::size_t{1});
        QCOMPARE(h.messages.shown[0].prompt, "Drive niet aanwezig....");
        QCOMPARE(h.messages.shown[0].title, " Drive-Error");
        QVERIFY(h.messages.shown[0].icon == MessageIcon::None);
        QCOMPARE(drive1->currentText(), QString::fromStdString(gone));
        QCOMPARE(h.dir1()->path(), tree.path("alpha"));
        QCOMPARE(h.window->file1().folder(), tree.path("alpha"));

        // A drive not visited yet opens on its mount point...
        QTest::keyClick(drive1, Qt::Key_Up);
        QTest::keyClick(drive1, Qt::Key_Up);
        QCOMPARE(drive1->currentText(), QStringLiteral("/"));
        QCOMPARE(h.dir1()->path(), std::string("/"));
        QCOMPARE(h.window->file1().folder(), std::string("/"));
        // ...and a drive visited before on the last folder visited there.
        QTest::keyClick(drive1, Qt::Key_Down);
        QCOMPARE(h.dir1()->path(), tree.path("alpha"));
        QCOMPARE(h.window->file1().folder(), tree.path("alpha"));

        // A folder visited last that has gone since leaves its drive's mount point.
        doubleClick(*h.dir1(), entry(*h.dir1(), QStringLiteral("inner")));
        QCOMPARE(h.dir1()->path(), tree.path("alpha/inner"));
        QTest::keyClick(drive1, Qt::Key_Up);
        QVERIFY(QDir(QString::fromStdString(tree.path("alpha/inner"))).removeRecursively());
        QTest::keyClick(drive1, Qt::Key_Down);
        QCOMPARE(h.dir1()->path(), tree.root());
        QCOMPARE(h.window->file1().folder(), tree.root());
        QCOMPARE(h.messages.shown.size(), std::size_t{1});
    }

    void htmlRunWritesThePageOfTheCommandLineAndOpensIt() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root());
        MoveRecorder okKnop(h.control<QWidget>("OkKnop"));

        h.click("OkKnop");

        QCOMPARE(h.html(), cliCatalogue("html", tree.root(), h.output));
        QCOMPARE(recorder_.opened, QList<QUrl>{QUrl::fromLocalFile(
                                       QString::fromStdString(h.output.path("Files.html")))});
        QVERIFY(h.messages.shown.empty());
        QVERIFY(!QFile::exists(QString::fromStdString(h.output.path("Files.txt"))));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(okKnop.moves, (QList<QPoint>{{202, 152}, {203, 152}, {203, 151}, {202, 151}}));
        QCOMPARE(h.control<QLabel>("ProcentLabel")->text(), QStringLiteral("100%"));
        QCOMPARE(h.bar().pixelColor(228, 15), QColor(228, 255, 200));
        QCOMPARE(h.bar().pixelColor(229, 15), QColor(0, 0, 64));
    }

    void textRunWritesTheFileOfTheCommandLineAndShowsTheNotice() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root());

        h.click("Keuze2");
        h.click("OkKnop");

        QCOMPARE(h.text(), cliCatalogue("text", tree.root(), h.output));
        QCOMPARE(h.messages.shown.size(), std::size_t{1});
        QCOMPARE(h.messages.shown[0].prompt, "You find this textfile in the App.folder");
        QVERIFY(h.messages.shown[0].icon == MessageIcon::None);
        QVERIFY(recorder_.opened.isEmpty());
        QVERIFY(!QFile::exists(QString::fromStdString(h.output.path("Files.html"))));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void printerRunPrintsOnThePrinter() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root());

        h.click("Keuze3");
        h.click("OkKnop");

        QVERIFY(!h.journal.empty());
        QCOMPARE(h.journal.back(), std::string("EndDoc"));
        QVERIFY(std::find(h.journal.begin(), h.journal.end(), "Print two.txt") != h.journal.end());
        QVERIFY(!QFile::exists(QString::fromStdString(h.output.path("Files.html"))));
    }

    void failedRunIsReportedWithTheNormalPointer() {
        TempTree tree;
        makeTree(tree);
        const std::string missing = tree.path("no such folder");
        Harness h(tree.root(), {"/"}, missing);

        h.click("OkKnop");

        QCOMPARE(h.messages.shown.size(), std::size_t{1});
        QVERIFY(h.messages.shown[0].icon == MessageIcon::Critical);
        QVERIFY(h.messages.shown[0].prompt.find(missing + "/Files.html") != std::string::npos);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QVERIFY(recorder_.opened.isEmpty());
        // The window takes the next click as a new run.
        h.click("OkKnop");
        QCOMPARE(h.messages.shown.size(), std::size_t{2});
    }

    void secondClickDuringARunIsIgnored() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root());
        MoveRecorder okKnop(h.control<QWidget>("OkKnop"));
        h.duringWriter([&h] { h.click("OkKnop"); });

        h.click("OkKnop");

        QVERIFY(h.acted);
        QCOMPARE(okKnop.moves.size(), 4);
        QCOMPARE(recorder_.opened.size(), 1);
        QCOMPARE(h.html(), cliCatalogue("html", tree.root(), h.output));
    }

    void choosingTheTextFileDuringThePageGivesBoth() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root());
        h.duringWriter([&h] { h.click("Keuze2"); });

        h.click("OkKnop");

        QVERIFY(h.acted);
        QCOMPARE(h.html(), cliCatalogue("html", tree.root(), h.output));
        QCOMPARE(h.text(), cliCatalogue("text", tree.root(), h.output));
        QCOMPARE(recorder_.opened.size(), 1);
        QCOMPARE(h.messages.shown.size(), std::size_t{1});
    }

    void folderChosenDuringARunOpensWhenItEnds() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root());
        std::string pathDuringRun;
        h.duringWriter([&] {
            doubleClick(*h.dir1(), entry(*h.dir1(), QStringLiteral("beta")));
            pathDuringRun = h.dir1()->path();
        });

        h.click("OkKnop");

        QVERIFY(h.acted);
        QCOMPARE(pathDuringRun, tree.root());
        QCOMPARE(h.html(), cliCatalogue("html", tree.root(), h.output));
        QCOMPARE(h.dir1()->path(), tree.path("beta"));
        QCOMPARE(h.window->file1().folder(), tree.path("beta"));
    }

    void exitPictureEndsTheProgram() {
        TempTree tree;
        Harness h(tree.root());
        MoveRecorder exitKnop(h.control<QWidget>("ExitKnop"));

        QCOMPARE(execUntilEnd([&h] { h.click("ExitKnop"); }), 0);

        QCOMPARE(exitKnop.moves, (QList<QPoint>{{202, 31}, {203, 31}, {203, 30}, {202, 30}}));
        QVERIFY(h.window->isHidden());
    }

    void endingTheProgramDuringARunKeepsTheOldCatalogue() {
        TempTree tree;
        makeTree(tree);
        Harness h(tree.root());
        // Enough files that the page is still being written when the run yields.
        for (int i = 0; i < 5000; ++i)
            tree.file("many/file" + std::to_string(i));
        h.output.file("Files.html", "the previous catalogue");
        h.when([&h] { return h.writingPage(); }, [&h] { h.click("ExitKnop"); });

        QCOMPARE(execUntilEnd([&h] { h.click("OkKnop"); }), 0);

        QVERIFY(h.acted);
        QCOMPARE(h.html(), std::string("the previous catalogue"));
        QCOMPARE(
            QDir(QString::fromStdString(h.output.root())).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("Files.html")});
        QVERIFY(recorder_.opened.isEmpty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
