// The window driven as a user drives it: clicks, double-clicks and keys on the real controls,
// under the offscreen platform. Message boxes, the shell's open requests and the printer's
// calls are recorded.
#include "app/contact.h"
#include "app/help_text.h"
#include "app/main_window.h"
#include "platform/fakes/fake_controls.h"
#include "support/temp_tree.h"

#include <QDir>
#include <QMoveEvent>
#include <QProcess>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

using namespace dorvantile;
using namespace dorvantile::app;
using namespace dorvantile::testing;

namespace {

/// Positions a widget moved through, in order.
struct MoveRecorder final : QObject {
    explicit MoveRecorder(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Move)
            moves.push_back(static_cast<QMoveEvent*>(event)->pos());
        return false;
    }
    QList<QPoint> moves;
};

/// "Dir1's folder | File1's folder", where both are `folder`.
QString both(const std::string& folder) {
    return QString::fromStdString(folder + " | " + folder);
}

/// A window on a tree with files at two levels, a hidden folder and a link to a folder, over
/// recording message boxes, shell and printer. Its drives are "/", the tree and a drive that
/// cannot be opened; it writes its catalogues into a folder of its own.
struct Harness {
    Harness() {
        tree.file("Notes.TXT", "n");
        tree.file("alpha/One.txt", "1");
        tree.file("alpha/inner/Two.txt", "2");
        tree.file("beta/b.txt", "b");
        tree.file(".hidden/secret.txt", "s");
        tree.link("link", "alpha");
        window = std::make_unique<Main>(WindowServices{messages,
                                                       shell,
                                                       printer,
                                                       output.root(),
                                                       {"/", tree.root(), tree.path("unplugged")},
                                                       tree.root()});
        window->show();
    }

    template <class Widget = QWidget> Widget* control(const char* name) const {
        if (auto* widget = window->findChild<Widget*>(QLatin1String(name)))
            return widget;
        qFatal("no control %s", name);
    }
    FolderView& dir1() const { return *control<FolderView>("Dir1"); }
    const QImage& bar() const { return control<BarBox>("Bar")->picture(); }
    void click(const char* name) const { QTest::mouseClick(control(name), Qt::LeftButton); }
    QString places() const {
        return QString::fromStdString(dir1().path() + " | " + window->file1().folder());
    }
    std::string html() const { return readFile(output.path("Files.html")); }
    std::string text() const { return readFile(output.path("Files.txt")); }
    /// The catalogue that the command line writes of the tree.
    std::string cli(const char* format) const {
        const std::string out = output.path(std::string("cli.") + format);
        QProcess::execute(QStringLiteral(DORVANTILE_CLI),
                          {"--format", format, "--output", QString::fromStdString(out),
                           QString::fromStdString(tree.root())});
        return readFile(out);
    }

    /// Calls `action` once, in the first pass of the message loop in which `condition` holds.
    void when(std::function<bool()> condition, std::function<void()> action) {
        QObject::connect(&poll, &QTimer::timeout, [this, condition, action] {
            if (condition()) {
                poll.stop();
                action();
            }
        });
        poll.start(0);
    }
    /// Calls `action` once the progress bar shows a line: the first writer of a run in
    /// progress has started, and has not written yet.
    void duringWriter(std::function<void()> action) {
        when([this] { return bar().pixelColor(0, 0) != QColor(0, 0, 64); }, std::move(action));
    }

    fakes::Journal journal;
    fakes::FakeMessageBoxes messages{journal};
    fakes::FakeShell shell{journal};
    fakes::FakePrinter printer{journal};
    TempTree tree;
    TempTree output;
    std::unique_ptr<Main> window;
    QTimer poll;
};

/// Clicks and then double-clicks the entry `text` of the folder list.
void doubleClick(QListWidget& list, const QString& text) {
    const QPoint at = list.visualItemRect(list.findItems(text, Qt::MatchExactly).value(0)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startUpStateAndTheHelpPanel() {
        Harness h;
        QCOMPARE(h.window->minimumSize(), QSize(447, 262));
        QCOMPARE(h.window->maximumSize(), QSize(447, 262));
        QCOMPARE(h.window->windowTitle(), QStringLiteral("Dorvantile"));
        QVERIFY(h.control<QRadioButton>("Keuze1")->isChecked());
        // In pixels of 15 twips: the options' tops at 990, 1290 and 1590, the frames' at -15.
        const std::pair<const char*, QRect> places[] = {
            {"Keuze1", {24, 66, 160, 19}},   {"Keuze2", {24, 86, 160, 19}},
            {"Keuze3", {24, 106, 160, 19}},  {"Frame1", {5, -1, 180, 259}},
            {"Frame2", {191, -1, 252, 190}}, {"Frame3", {191, 190, 252, 68}},
            {"OkKnop", {202, 151, 40, 30}},  {"ExitKnop", {202, 30, 40, 30}},
            {"Image1", {10, 150, 32, 32}},   {"Bar", {9, 16, 234, 20}}};
        for (const auto& [name, place] : places)
            QCOMPARE(h.control(name)->geometry(), place);
        QCOMPARE(h.control<QLabel>("ProcentLabel")->text(), QStringLiteral("0%"));
        QImage plain(230, 16, h.bar().format());
        plain.fill(QColor(0, 0, 64));
        QCOMPARE(h.bar(), plain);
        QCOMPARE(h.window->focusWidget(), h.control("Drive1"));

        auto* text1 = h.control<QPlainTextEdit>("Text1");
        QVERIFY(text1->isHidden());
        QCOMPARE(h.control("HelpKnop")->toolTip(), QStringLiteral(" Click for open Helpwindow "));
        const std::string expected = "\r\n 1. Double click on folder or subfolder\r\n"
                                     " 2. Select for save to Html, Text or Printer\r\n"
                                     " 3. Puch the Ok-button for run program\r\n"
                                     "     Maximal files to save is about 30.000,\r\n\r\n     \r\n"
                                     "     Website: https://dorvantile.example.org\r\n"
                                     "     E-mail: info@dorvantile.example.org\r\n";
        QCOMPARE(helpText(), expected);
        QCOMPARE(text1->toPlainText(), QString::fromStdString(expected).replace(
                                           QStringLiteral("\r\n"), QStringLiteral("\n")));
        QCOMPARE(text1->font().family(), QStringLiteral("Arial"));
        QCOMPARE(text1->font().pointSize(), 9);

        h.click("HelpKnop");
        QVERIFY(text1->isVisible());
        QCOMPARE(h.control("HelpKnop")->toolTip(), QStringLiteral(" Click for close Helpwindow "));
        // The open panel covers the start picture; a click on it opens the website.
        QCOMPARE(h.control("Frame2")->childAt(h.control("OkKnop")->pos()), text1->viewport());
        QTest::mouseClick(text1->viewport(), Qt::LeftButton);
        QCOMPARE(h.shell.opened, std::vector<std::string>{websiteAddress});
        QVERIFY(text1->isVisible());
        h.click("HelpKnop");
        QVERIFY(text1->isHidden());
        QCOMPARE(h.control("HelpKnop")->toolTip(), QStringLiteral(" Click for open Helpwindow "));
    }

    void foldersOpenOnDoubleClickAndDrivesThatCannotBeOpenedMoveNothing() {
        Harness h;
        FolderView& dir1 = h.dir1();
        auto* drive1 = h.control<QComboBox>("Drive1");
        const std::string root = h.tree.root();
        const QString rootName = QDir(QString::fromStdString(root)).dirName();

        // The path down to the folder, then its plain sub-folders: no hidden folder, no link.
        QStringList shown;
        for (int i = 0; i < dir1.count(); ++i)
            shown << dir1.item(i)->text();
        QCOMPARE(shown, (QStringList{QStringLiteral("/")} +
                         QString::fromStdString(root).split(u'/', Qt::SkipEmptyParts) +
                         QStringList{QStringLiteral("alpha"), QStringLiteral("beta")}));

        // One click selects and moves nothing; a double-click opens, also up the path.
        QTest::mouseClick(dir1.viewport(), Qt::LeftButton, {},
                          dir1.visualItemRect(dir1.item(dir1.count() - 1)).center());
        QCOMPARE(dir1.currentItem()->text(), QStringLiteral("beta"));
        QCOMPARE(h.places(), both(root));
        doubleClick(dir1, QStringLiteral("beta"));
        QCOMPARE(h.places(), both(h.tree.path("beta")));
        doubleClick(dir1, rootName);
        QCOMPARE(h.places(), both(root));
        doubleClick(dir1, QStringLiteral("alpha"));
        QCOMPARE(h.places(), both(h.tree.path("alpha")));

        // A drive that cannot be opened is a message, and the folder stays where it was.
        QTest::keyClick(drive1, Qt::Key_Down);
        QCOMPARE(h.messages.shown.size(), std::size_t{1});
        QCOMPARE(h.messages.shown[0].prompt, "Drive niet aanwezig....");
        QCOMPARE(h.messages.shown[0].title, " Drive-Error");
        QVERIFY(h.messages.shown[0].icon == MessageIcon::None);
        QCOMPARE(drive1->currentText(), QString::fromStdString(h.tree.path("unplugged")));
        QCOMPARE(h.places(), both(h.tree.path("alpha")));
        // A drive not visited yet opens on its mount point, one visited on its last folder...
        QTest::keyClick(drive1, Qt::Key_Home);
        QCOMPARE(h.places(), both("/"));
        QTest::keyClick(drive1, Qt::Key_Down);
        QCOMPARE(h.places(), both(h.tree.path("alpha")));
        // ...or on its mount point when that folder has gone since.
        QTest::keyClick(drive1, Qt::Key_Up);
        QVERIFY(QDir(QString::fromStdString(h.tree.path("alpha"))).removeRecursively());
        QTest::keyClick(drive1, Qt::Key_Down);
        QCOMPARE(h.places(), both(root));
        QCOMPARE(h.messages.shown.size(), std::size_t{1});

        // A folder that went away after it was listed is reported, and nothing moves.
        QVERIFY(QDir(QString::fromStdString(h.tree.path("beta"))).removeRecursively());
        doubleClick(dir1, QStringLiteral("beta"));
        QCOMPARE(h.places(), both(root));
        QCOMPARE(h.messages.shown.size(), std::size_t{2});
        QCOMPARE(h.messages.shown[1].prompt, h.tree.path("beta") + ": No such file or directory");
        QVERIFY(h.messages.shown[1].icon == MessageIcon::Critical);
    }

    void pageRunIgnoresASecondClickAndHoldsNavigationUntilItEnds() {
        Harness h;
        MoveRecorder okKnop(h.control("OkKnop"));
        std::string folderDuringRun;
        h.duringWriter([&h, &folderDuringRun] {
            h.click("OkKnop");
            doubleClick(h.dir1(), QStringLiteral("beta"));
            folderDuringRun = h.dir1().path();
        });

        h.click("OkKnop");

        QCOMPARE(h.html(), h.cli("html"));
        QCOMPARE(h.shell.opened, std::vector<std::string>{h.output.path("Files.html")});
        QVERIFY(h.messages.shown.empty());
        QVERIFY(!QFile::exists(QString::fromStdString(h.output.path("Files.txt"))));
        QCOMPARE(okKnop.moves, (QList<QPoint>{{202, 152}, {203, 152}, {203, 151}, {202, 151}}));
        QCOMPARE(h.control<QLabel>("ProcentLabel")->text(), QStringLiteral("100%"));
        QCOMPARE(h.bar().pixelColor(228, 15), QColor(228, 255, 200));
        QCOMPARE(h.bar().pixelColor(229, 15), QColor(0, 0, 64));
        QCOMPARE(folderDuringRun, h.tree.root());
        QCOMPARE(h.places(), both(h.tree.path("beta")));
    }

    void textChosenDuringThePageGivesBothThenTextPrinterAndAFailedRun() {
        Harness h;
        h.duringWriter([&h] { h.click("Keuze2"); });
        const QString htmlFile = QString::fromStdString(h.output.path("Files.html"));

        h.click("OkKnop");

        QCOMPARE(h.html(), h.cli("html"));
        QCOMPARE(h.text(), h.cli("text"));
        QCOMPARE(h.messages.shown.size(), std::size_t{1});
        QCOMPARE(h.messages.shown[0].prompt, "You find this textfile in the App.folder");
        QVERIFY(h.messages.shown[0].icon == MessageIcon::None);

        // The text file alone: the notice again, and no page.
        QVERIFY(QFile::remove(htmlFile));
        QVERIFY(QFile::remove(QString::fromStdString(h.output.path("Files.txt"))));
        h.click("OkKnop");
        QCOMPARE(h.text(), h.cli("text"));
        QCOMPARE(h.messages.shown.size(), std::size_t{2});
        // The printer alone.
        h.click("Keuze3");
        h.click("OkKnop");
        QCOMPARE(h.journal.back(), std::string("EndDoc"));
        QVERIFY(std::find(h.journal.begin(), h.journal.end(), "Print two.txt") != h.journal.end());
        QVERIFY(!QFile::exists(htmlFile));

        // A run that fails is a message naming the file, with the normal pointer; the next
        // click is a new run.
        QVERIFY(QDir(QString::fromStdString(h.output.root())).removeRecursively());
        h.click("Keuze1");
        h.click("OkKnop");
        QCOMPARE(h.messages.shown.size(), std::size_t{3});
        QVERIFY(h.messages.shown[2].icon == MessageIcon::Critical);
        QVERIFY(h.messages.shown[2].prompt.find(h.output.path("Files.html")) != std::string::npos);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        QCOMPARE(h.shell.opened.size(), std::size_t{1}); // the page of the first run only
        h.click("OkKnop");
        QCOMPARE(h.messages.shown.size(), std::size_t{4});
    }

    void exitPictureEndsTheProgramAndDuringARunKeepsTheOldCatalogue() {
        Harness h;
        MoveRecorder exitKnop(h.control("ExitKnop"));
        // Enough files that the page is still being written when the run yields.
        for (int i = 0; i < 5000; ++i)
            h.tree.file("many/file" + std::to_string(i));
        h.output.file("Files.html", "the previous catalogue");
        const QDir output(QString::fromStdString(h.output.root()));
        const QStringList unfinished{QStringLiteral(".Files.html*")};
        h.when([&] { return !output.entryList(unfinished, QDir::Files | QDir::Hidden).isEmpty(); },
               [&h] { h.click("ExitKnop"); });
        QTimer::singleShot(0, [&h] { h.click("OkKnop"); });
        QTimer::singleShot(10000, &exitKnop, [] { QCoreApplication::exit(99); }); // not ended

        QCOMPARE(QCoreApplication::exec(), 0);

        QCOMPARE(exitKnop.moves, (QList<QPoint>{{202, 31}, {203, 31}, {203, 30}, {202, 30}}));
        QVERIFY(h.window->isHidden());
        QCOMPARE(h.html(), std::string("the previous catalogue"));
        QCOMPARE(output.entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("Files.html")});
        QVERIFY(h.shell.opened.empty());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
