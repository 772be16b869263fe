// The window driven as a user drives it: clicks, double-clicks and keys on the real controls,
// under the offscreen platform. Message boxes, the shell's open requests and the printer's
// calls are recorded.
#include "app/help_text.h"
#include "app/main_window.h"
#include "platform/fakes/fake_controls.h"
#include "platform/fakes/fake_system.h"
#include "platform/posix_environment.h"
#include "support/golden.h"
#include "support/temp_tree.h"

#include <QBuffer>
#include <QtTest> // with QtCore's QDir and QTimer

namespace dorvantile::app {

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

/// The contrast ratio of the lightest and the darkest colour in `area` of `widget` drawn: for a
/// text on a plain background, that of the text with its background, 1 to 21.
double contrast(QWidget* widget, const QRect& area) {
    const QImage shot = widget->grab().toImage().copy(area);
    double light = 0, dark = 2;
    for (int i = 0; i < shot.width() * shot.height(); ++i) {
        const QColor c = shot.pixelColor(i % shot.width(), i / shot.width());
        const double l = 0.2126 * std::pow(c.redF(), 2.2) + 0.7152 * std::pow(c.greenF(), 2.2) +
                         0.0722 * std::pow(c.blueF(), 2.2) + 0.05;
        light = std::max(light, l), dark = std::min(dark, l);
    }
    return light / dark;
}

/// A window on a tree with files at two levels, a hidden folder and a link to a folder, over
/// recording message boxes, shell and printer. Its drives are those of `machine`'s mount
/// table, or else "/", the tree and a drive that has gone since; it writes its catalogues
/// into a folder of its own.
struct Harness {
    explicit Harness(MountTable* machine = nullptr) {
        for (const char* file :
             {"Notes.TXT", "alpha/inner/Two.txt", "beta/b.txt", ".hidden/s", ".unplugged/s"})
            tree.file(file);
        tree.link("link", "alpha");
        mounts.mounts = disk(root) + disk(in(".unplugged"));
        window = std::make_unique<Main>(WindowServices{messages, shell, printer, output.root(),
                                                       machine ? *machine : mounts, tree.root()});
        QDir(in(".unplugged")).removeRecursively();
        window->show();
    }

    template <class W = QWidget> W* control(const char* n) { return window->findChild<W*>(n); }
    FolderView& dir1() { return *control<FolderView>("Dir1"); }
    const QImage& bar() { return control<BarBox>("Bar")->picture(); }
    void click(const char* name) { QTest::mouseClick(control(name), Qt::LeftButton); }
    QString in(const char* relative) const { return QString::fromStdString(tree.path(relative)); }
    /// Dir1's folder, and File1's after a " | " when that is another.
    QString places() {
        const std::string dir = dir1().path(), file = window->file1().folder();
        return QString::fromStdString(dir == file ? dir : dir + " | " + file);
    }
    /// Clicks Dir1's entry `name` and then double-clicks it, unless `once`; gives `places`.
    QString open(const QString& name, bool once = false) {
        const QPoint at = dir1().visualItemRect(dir1().findItems(name, {}).value(0)).center();
        QTest::mouseClick(dir1().viewport(), Qt::LeftButton, {}, at);
        if (!once)
            QTest::mouseDClick(dir1().viewport(), Qt::LeftButton, {}, at);
        return places();
    }
    /// Dir1's entry for `item` past its indent: its icon and its name.
    QRect entry(QListWidgetItem* i) { // its depth is in the role after its folder's
        return dir1().visualItemRect(i) - QMargins(i->data(Qt::UserRole + 1).toInt() * 8, 0, 0, 0);
    }
    /// A disk mounted at `p`, as the mount table lists it.
    static std::string disk(const QString& p) { return "1 1 0 / " + p.toStdString() + " - ext4\n"; }
    /// Opens Drive1's list and chooses `drive` in it; gives `places`, or "" when it is not listed.
    QString choose(const std::string& drive) {
        auto* drive1 = control<QComboBox>("Drive1");
        drive1->showPopup();
        const int row = drive1->findText(QString::fromStdString(drive));
        drive1->view()->setCurrentIndex(drive1->model()->index(row, 0));
        QTest::keyClick(drive1->view(), row < 0 ? Qt::Key_Escape : Qt::Key_Return);
        return row < 0 ? QString() : places();
    }
    /// Presses `key` on Drive1; gives `places`.
    QString drive(Qt::Key key) {
        QTest::keyClick(control("Drive1"), key);
        return places();
    }
    /// Each message box shown, as "title: prompt", with " (!)" for the critical icon.
    QStringList shown() const {
        QStringList out;
        for (const auto& [prompt, title, icon] : messages.shown)
            out << (title + ": " + prompt + (icon == MessageIcon::Critical ? " (!)" : "")).c_str();
        return out;
    }
    QStringList outputFiles() const {
        return QDir(QString::fromStdString(output.root())).entryList(QDir::Files | QDir::Hidden);
    }
    /// Calls `then` once, in the first pass of the message loop in which `holds` is true.
    void when(std::function<bool()> holds, std::function<void()> then) {
        QTimer::singleShot(0, window.get(), [=, this] { holds() ? then() : when(holds, then); });
    }

    fakes::Journal journal;
    fakes::FakeMessageBoxes messages{journal};
    fakes::FakeShell shell{journal};
    fakes::FakePrinter printer{journal};
    fakes::FakeEnvironment mounts;
    testing::TempTree tree, output;
    const QString root = QString::fromStdString(tree.root());
    std::unique_ptr<Main> window;
};

class MainWindowTest : public QObject {
    Q_OBJECT

private slots:
    void startsLaidOutWithHelpAtHandAndNavigatesByFolderAndDrive() {
        Harness h;
        QCOMPARE(h.window->minimumSize(), h.window->maximumSize()); // the real test: 447 x 262
        QVERIFY(h.control<QRadioButton>("Keuze1")->isChecked());
        // In pixels of 15 twips: the options' tops at 990, 1290 and 1590, the frames' at -15.
        // (Where the exit picture rests its moves show, in the test of runs; the real program's
        // test clicks both pictures.)
        const std::pair<const char*, QRect> places[] = {
            {"Keuze1", {24, 66, 160, 19}},   {"Keuze2", {24, 86, 160, 19}},
            {"Keuze3", {24, 106, 160, 19}},  {"Frame1", {5, -1, 180, 259}},
            {"Frame2", {191, -1, 252, 190}}, {"OkKnop", {202, 151, 40, 30}},
            {"Drive1", {9, 16, 162, 21}},    {"Dir1", {9, 48, 161, 201}},
            {"Bar", {9, 16, 234, 20}},       {"Text1", {3, 9, 245, 177}},
            {"Image1", {10, 150, 32, 32}},   {"Frame3", {191, 190, 252, 68}},
            {"Label3", {8, 15, 60, 45}},     {"ExitKnop", {202, 30, 40, 30}},
            {"HelpKnop", {10, 38, 56, 21}}};
        for (const auto& [name, place] : places)
            QCOMPARE(h.control(name)->geometry(), place);
        for (const auto& [name, at] : {std::pair{"ProcentLabel", QPoint(12, 40)},
                                       {"Label1", QPoint(173, 158)},
                                       {"Label2", QPoint(134, 37)}})
            QCOMPARE(h.control(name)->pos(), at); // their size is their caption's
        QCOMPARE(h.control<QLabel>("ProcentLabel")->text(), "0%");
        QCOMPARE(h.control("ProcentLabel")->palette().color(QPalette::WindowText),
                 QColor(64, 64, 64));
        QCOMPARE(h.control("Drive1")->palette().color(QPalette::Button), QColor(230, 220, 190));
        QCOMPARE(h.control("Text1")->palette().color(QPalette::Base), QColor(200, 210, 220));
        QCOMPARE(h.control<QLabel>("Image1")->pixmap().size(), QSize(32, 32));
        for (const char* knop : {"OkKnop", "ExitKnop"}) { // faces, bevels, words to the pixel
            QByteArray png;
            QBuffer buffer(&png);
            QVERIFY(h.control(knop)->grab().toImage().save(&buffer, "PNG"));
            QCOMPARE(testing::compareWithGolden(knop + std::string(".png"), png.toStdString()), "");
        }
        QImage plain(230, 16, h.bar().format());
        plain.fill(QColor(0, 0, 64));
        QCOMPARE(h.bar(), plain);
        QCOMPARE(h.window->focusWidget(), h.control("Drive1"));

        auto* text1 = h.control<QPlainTextEdit>("Text1");
        QWidget* knop = h.control("HelpKnop");
        const auto help = [&] { return (text1->isVisible() ? "shown," : "") + knop->toolTip(); };
        QCOMPARE(help(), " Click for open Helpwindow ");
        const QString expected = "\n 1. Double click on folder or subfolder\n"
                                 " 2. Select for save to Html, Text or Printer\n"
                                 " 3. Puch the Ok-button for run program\n"
                                 "     Maximal files to save is about 30.000,\n\n     \n"
                                 "     Website: https://dorvantile.example.org\n"
                                 "     E-mail: info@dorvantile.example.org\n";
        QCOMPARE(QString::fromStdString(helpText()), QString(expected).replace("\n", "\r\n"));
        QCOMPARE(text1->toPlainText(), expected);
        QCOMPARE(text1->font(), QFont("Arial", 9));
        h.click("HelpKnop");
        QCOMPARE(help(), "shown, Click for close Helpwindow ");
        // The open panel covers the start picture; a click on it opens the website.
        QCOMPARE(h.control("Frame2")->childAt(h.control("OkKnop")->pos()), text1->viewport());
        QTest::mouseClick(text1->viewport(), Qt::LeftButton);
        QCOMPARE(h.shell.opened, std::vector<std::string>{"https://dorvantile.example.org"});
        QCOMPARE(help(), "shown, Click for close Helpwindow ");
        h.click("HelpKnop");
        QCOMPARE(help(), " Click for open Helpwindow ");

        // The path down to the folder, then its plain sub-folders: no hidden folder, no link.
        QStringList entries;
        for (int i = 0; i < h.dir1().count(); ++i)
            entries << h.dir1().item(i)->text();
        QCOMPARE(entries,
                 (QStringList{"/"} + h.root.mid(1).split(u'/') + QStringList{"alpha", "beta"}));
        // One click selects and moves nothing; a double-click opens, also up the path.
        QCOMPARE(h.open("beta", true), h.root);
        QCOMPARE(h.dir1().currentItem()->text(), "beta");
        QCOMPARE(h.open("beta"), h.in("beta"));
        QCOMPARE(h.open(QDir(h.root).dirName()), h.root);
        QCOMPARE(h.open("alpha"), h.in("alpha"));
        // A drive that cannot be opened is a message; the folder stays, the drive is shown.
        QCOMPARE(h.drive(Qt::Key_Down), h.in("alpha"));
        QCOMPARE(h.control<QComboBox>("Drive1")->currentText(), h.in(".unplugged"));
        // A drive not visited yet opens on its mount point, one visited on its last folder...
        QCOMPARE(h.drive(Qt::Key_Home), "/");
        QCOMPARE(h.drive(Qt::Key_Down), h.in("alpha"));
        // ...or on its mount point when that folder has gone since.
        h.drive(Qt::Key_Up);
        QVERIFY(QDir(h.in("alpha")).removeRecursively());
        QCOMPARE(h.drive(Qt::Key_Down), h.root);
        // A folder that went away after it was listed is reported, and nothing moves.
        QVERIFY(QDir(h.in("beta")).removeRecursively());
        QCOMPARE(h.open("beta"), h.root);
        QCOMPARE(h.shown(),
                 (QStringList{" Drive-Error: Drive niet aanwezig....",
                              "Dorvantile: " + h.in("beta") + ": No such file or directory (!)"}));
    }

    // On a dark desktop and under every style the window keeps its own look: each frame's
    // line runs above its controls, and every text stands out from its background by 4.5:1.
    void looksTheSameOnADarkDesktopUnderEveryStyle() {
        // White texts on near-black; the tests after this one run on this desktop too.
        QApplication::setPalette(QPalette(QColor(40, 40, 40)));
        for (const char* style : {"Fusion", "Windows"}) {
            QApplication::setStyle(style);
            Harness h;
            // Each frame is blank above its line, which runs 5 to 7 pixels down and round it.
            for (GroupFrame* frame : h.window->findChildren<GroupFrame*>()) {
                QVERIFY(contrast(frame, {2, 0, 4, 5}) == 1 && frame->childrenRect().y() > 7);
                const int right = frame->width() - 3, bottom = frame->height() - 3;
                for (const QRect edge : {QRect(2, 5, 4, 3), QRect(2, bottom, 4, 3),
                                         QRect(0, 12, 3, 4), QRect(right, 12, 3, 4)})
                    QVERIFY(contrast(frame, edge) > 1);
                // A dark band of one pixel, then a light one.
                const QImage shot = frame->grab().toImage();
                QCOMPARE(shot.pixelColor(3, bottom + 1), frame->palette().color(QPalette::Dark));
                QCOMPARE(shot.pixelColor(3, bottom + 2), frame->palette().color(QPalette::Light));
            }
            h.click("HelpKnop"); // Text1 shows over Frame2's controls, which still draw alone
            // An eighth off each side leaves out the options' dots and Drive1's arrow.
            for (const char* name : {"Keuze1", "Keuze2", "Keuze3", "Drive1", "Text1",
                                     "ProcentLabel", "Label1", "Label2", "HelpKnop"}) {
                const QRect all = h.control(name)->rect();
                const QRect text = all.adjusted(all.width() / 8, 3, -all.width() / 8, -3);
                QVERIFY2(contrast(h.control(name), text) >= 4.5, name);
            }
            for (int i = 0; i < h.dir1().count(); ++i) // each entry right of its icon
                QVERIFY(contrast(h.dir1().viewport(),
                                 h.entry(h.dir1().item(i)).adjusted(22, 0, 0, 0)) >= 4.5);
        }
    }

    // A folder 60 levels down stays in view. Each time the drive list opens it reads the
    // mount table again: a disk mounted meanwhile is listed, one unmounted is not, and each
    // drive keeps its folder. With a table of the test's own, then with a real bind mount
    // where the test runs as root (a tmpfs would do nothing: memory is no drive).
    void followsDeepFoldersAndDisksMountedWhileItRuns() {
        PosixMountTable machine;
        for (const bool real : {false, geteuid() == 0}) { // mounting a disk needs root
            Harness h(real ? &machine : nullptr);
            const std::string deep = "d" + QString("/d").repeated(59).toStdString() + "/e";
            h.tree.folder(deep);
            QVERIFY(!h.dir1().setPath(h.tree.path(deep.substr(0, deep.size() - 2))));
            QCOMPARE(h.open("e"), h.in(deep.c_str()));
            QVERIFY(h.dir1().viewport()->rect().contains(h.entry(h.dir1().currentItem())));

            const std::string home = h.control<QComboBox>("Drive1")->currentText().toStdString(),
                              disk = h.tree.path("disk"), unmounted = h.mounts.mounts;
            h.tree.folder("disk/photos");
            const auto mount = [&](bool on) { // in the test's table, or bound onto itself
                h.mounts.mounts = unmounted + (on ? h.disk(h.in("disk")) : "");
                const QStringList bind{"--bind", h.in("disk"), h.in("disk")};
                return !real || QProcess::execute(on ? "mount" : "umount", bind.mid(2 * !on)) == 0;
            };
            QCOMPARE(h.choose(disk), "");
            QVERIFY(mount(true));
            QCOMPARE(h.choose(disk), h.in("disk"));
            QCOMPARE(h.open("photos"), h.in("disk/photos"));
            QCOMPARE(h.choose(home), h.in(deep.c_str()));
            QVERIFY(mount(false));
            QCOMPARE(h.choose(disk), "");
        }
    }

    // Tab goes through the window's order alone; wherever the focus is, a key starts a run, also
    // from the lists and the help panel, which take keys of their own. The focused bar shows its
    // focus on its border alone, and no more once the focus moves on.
    void keysStartRunsWhereverTheFocusIs() {
        Harness h;
        QVERIFY(QTest::qWaitForWindowActive(h.window.get()));
        h.click("HelpKnop");
        h.control("Drive1")->setFocus();
        const std::map<QString, QKeySequence> keys = {{"Dir1", Qt::Key_F5},
                                                      {"Text1", Qt::CTRL | Qt::Key_Return},
                                                      {"HelpKnop", Qt::CTRL | Qt::Key_Enter}};
        QStringList order;
        QImage focused;
        for (QWidget* at = h.window->focusWidget(); order.size() < 6;
             at = h.window->focusWidget()) {
            order << at->objectName();
            if (keys.count(order.back()))
                QTest::keySequence(at, keys.at(order.back())); // a whole run
            focused = order.back() == "Bar" ? at->grab().toImage() : focused;
            QTest::keyClick(at, Qt::Key_Tab);
        }
        QCOMPARE(order, (QStringList{"Drive1", "Dir1", "Bar", "Keuze1", "Text1", "HelpKnop"}));
        QCOMPARE(h.shell.opened.size(), 3u);                         // the page of each run
        const QImage unfocused = h.control("Bar")->grab().toImage(); // the same sweep drawn
        QVERIFY(focused != unfocused);
        QCOMPARE(focused.copy(2, 2, 230, 16), unfocused.copy(2, 2, 230, 16));
    }

    // A run works on the window's choice, folder, bar, output folder and printer. A second
    // click, and a change of drive or folder, during a run wait for its end.
    void runsWriteTheChosenOutputsHoldNavigationAndEndWithTheProgram() {
        Harness h;
        h.when([&h] { return h.bar().pixelColor(0, 0) != QColor(0, 0, 64); }, // a writer began
               [&h] {
                   const QCursor* pointer = QGuiApplication::overrideCursor();
                   QCOMPARE(pointer ? pointer->shape() : Qt::ArrowCursor, Qt::WaitCursor);
                   h.click("Keuze2"); // adds the text file to the page being written
                   h.click("OkKnop");
                   h.drive(Qt::Key_Down); // the drive that cannot be opened: its message last
               });
        h.click("OkKnop");
        QCOMPARE(h.outputFiles(), (QStringList{"Files.html", "Files.txt"}));
        QCOMPARE(h.control<QLabel>("ProcentLabel")->text(), "100%");
        QCOMPARE(h.bar().pixelColor(228, 15), QColor(228, 255, 200));
        QCOMPARE(h.bar().pixelColor(229, 15), QColor(0, 0, 64));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        // The printer alone, over a folder change.
        QString folderDuringRun;
        h.click("Keuze3");
        QTimer::singleShot(0, [&h, &folderDuringRun] { // in the run's first pass of the loop
            h.open("beta");
            h.click("OkKnop");
            folderDuringRun = QString::fromStdString(h.dir1().path());
        });
        h.click("OkKnop");
        QCOMPARE(h.journal.back(), "EndDoc");
        QCOMPARE(folderDuringRun, h.root);
        QCOMPARE(h.places(), h.in("beta"));

        // The exit picture during a run: the program ends, the old page stays, nothing opens.
        MoveRecorder exitKnop(h.control("ExitKnop"));
        for (int i = 0; i < 5000; ++i) // so many that the page is still being written when...
            h.tree.file("beta/many/file" + std::to_string(i));
        const std::string page = testing::readFile(h.output.path("Files.html"));
        h.click("Keuze1");
        QElapsedTimer exiting, sweep; // on the real clock: 115 ticks of 1/64 s, less the first
        const auto swept = [&h] { return h.control<QLabel>("ProcentLabel")->text() == "100%"; };
        h.when(
            [&] { return !swept(); }, // the sweep began; once it ends the page is written
            [&] { sweep.start(), h.when(swept, [&] { exiting.start(), h.click("ExitKnop"); }); });
        QTimer::singleShot(0, [&h] { h.click("OkKnop"); });
        QTimer::singleShot(10000, &exitKnop, [] { QCoreApplication::exit(99); }); // not ended
        QCOMPARE(QCoreApplication::exec(), 0);
        // Pressed, one pixel down and right, for 0.2 s; back for 0.1 s; then the program ends.
        QCOMPARE(exitKnop.moves, (QList<QPoint>{{202, 31}, {203, 31}, {203, 30}, {202, 30}}));
        QVERIFY(exiting.elapsed() >= 300);
        QVERIFY(qAbs(sweep.elapsed() - exiting.elapsed() - 1850) <= 350); // 1.5 s to 2.2 s
        QVERIFY(h.window->isHidden());
        QCOMPARE(testing::readFile(h.output.path("Files.html")), page);
        QCOMPARE(h.outputFiles(), (QStringList{"Files.html", "Files.txt"}));
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        // No page and no notice but those of the first run.
        QCOMPARE(h.shown(), (QStringList{"Dorvantile: You find this textfile in the App.folder",
                                         " Drive-Error: Drive niet aanwezig...."}));
        QCOMPARE(h.shell.opened, std::vector<std::string>{h.output.path("Files.html")});
    }
};

} // namespace dorvantile::app

QTEST_MAIN(dorvantile::app::MainWindowTest)
#include "main_window_test.moc"
