// The Qt implementations of the desktop services: message boxes, shell, pointer, message loop.
#include "platform/qt/qt_services.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace dorvantile;

namespace {

struct ShownBox {
    QString title;
    QString text;
    QMessageBox::StandardButtons buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool seen = false;
};

/// Shows a box through `QtMessageBoxes`, reads it while it is open and closes it with OK.
ShownBox showAndRead(std::string_view prompt, std::string_view title, MessageIcon icon) {
    ShownBox shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr)
            return;
        shown = {box->windowTitle(), box->text(), box->standardButtons(), box->icon(), true};
        box->button(QMessageBox::Ok)->click();
    });
    QtMessageBoxes().show(prompt, title, icon);
    return shown;
}

} // namespace

class OpenRecorder final : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }
};

class QtServicesTest : public QObject {
    Q_OBJECT

private slots:
    void messageBoxHasOnlyAnOkButton() {
        const ShownBox plain =
            showAndRead("Drive niet aanwezig....", " Drive-Error", MessageIcon::None);
        QVERIFY(plain.seen);
        QCOMPARE(plain.title, QStringLiteral(" Drive-Error"));
        QCOMPARE(plain.text, QStringLiteral("Drive niet aanwezig...."));
        QCOMPARE(plain.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(plain.icon, QMessageBox::NoIcon);

        const ShownBox error =
            showAndRead("/x/Files.html: Permission denied", "Dorvantile", MessageIcon::Critical);
        QVERIFY(error.seen);
        QCOMPARE(error.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(error.icon, QMessageBox::Critical);
    }

    void shellOpensFilesByPathAndAddressesAsGiven() {
        OpenRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &recorder, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), &recorder, "open");
        QtShell shell;
        shell.open("/tmp/a b#c/Fïles.html");
        shell.open("https://dorvantile.example.org/help?x=1");
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

        QCOMPARE(recorder.opened.size(), 2);
        QVERIFY(recorder.opened[0].isLocalFile());
        QCOMPARE(recorder.opened[0].toLocalFile(), QStringLiteral("/tmp/a b#c/Fïles.html"));
        QCOMPARE(recorder.opened[1].toString(),
                 QStringLiteral("https://dorvantile.example.org/help?x=1"));
    }

    void oneArrowRestoresThePointerAfterAnyNumberOfHourglasses() {
        QtPointer pointer;
        pointer.set(MousePointer::Hourglass);
        pointer.set(MousePointer::Hourglass);
        QVERIFY(QGuiApplication::overrideCursor() != nullptr);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        pointer.set(MousePointer::Arrow);
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
        // An arrow with no hourglass in place takes nothing away from others.
        QGuiApplication::setOverrideCursor(Qt::CrossCursor);
        pointer.set(MousePointer::Arrow);
        QVERIFY(QGuiApplication::overrideCursor() != nullptr);
        QGuiApplication::restoreOverrideCursor();
    }

    void loopHandlesWaitingEventsUntilStopped() {
        QtEventLoop loop;
        bool fired = false;
        QTimer::singleShot(0, [&fired] { fired = true; });
        loop.processEvents();
        QVERIFY(fired);

        const double before = loop.now();
        QTest::qSleep(20);
        QVERIFY(loop.now() - before >= 0.019);

        loop.stop();
        QVERIFY_THROWS_EXCEPTION(LoopStopped, loop.processEvents());
    }
};

QTEST_MAIN(QtServicesTest)
#include "qt_services_test.moc"
