// The Qt implementations of the desktop services: message boxes, shell, pointer, message loop.
#include "platform/qt/qt_services.h"

#include <QAbstractButton>
#include <QDesktopServices>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

using namespace dorvantile;

class QtServicesTest : public QObject {
    Q_OBJECT

public slots:
    /// The URL handler for the shell's requests (a public slot, so no test of its own).
    void open(const QUrl& url) { opened_.push_back(url); }

private:
    QList<QUrl> opened_;

private slots:
    void messageBoxesHaveOnlyAnOkButtonAndTheirIcon() {
        QList<QVariantList> shown; // each box as it is while open; then it is closed with OK
        const auto read = [&shown] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            shown.push_back(
                {box->windowTitle(), box->text(), int(box->standardButtons()), box->icon()});
            box->button(QMessageBox::Ok)->click();
        };
        QTimer::singleShot(0, read);
        QtMessageBoxes().show("Drive niet aanwezig....", " Drive-Error", MessageIcon::None);
        QTimer::singleShot(0, read);
        QtMessageBoxes().show("cannot write /x/Files.html", "Dorvantile", MessageIcon::Critical);
        QCOMPARE(shown, (QList<QVariantList>{{" Drive-Error", "Drive niet aanwezig....",
                                              int(QMessageBox::Ok), QMessageBox::NoIcon},
                                             {"Dorvantile", "cannot write /x/Files.html",
                                              int(QMessageBox::Ok), QMessageBox::Critical}}));
    }

    void shellOpensFilesByPathAndAddressesAsGiven() {
        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open");
        QtShell shell;
        shell.open("/tmp/a b#c/Fïles.html");
        shell.open("https://dorvantile.example.org/help?x=1");
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

        QCOMPARE(opened_,
                 (QList<QUrl>{QUrl::fromLocalFile(QStringLiteral("/tmp/a b#c/Fïles.html")),
                              QUrl(QStringLiteral("https://dorvantile.example.org/help?x=1"))}));
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

    void loopClockCountsInSecondsAndAStoppedLoopThrows() {
        // (That the loop handles waiting events the window's tests show: their actions during
        // a run come from timers.)
        QtEventLoop loop;
        const double before = loop.now();
        QTest::qSleep(20);
        QVERIFY(loop.now() - before >= 0.019 && loop.now() - before < 1);
        loop.stop();
        QVERIFY_THROWS_EXCEPTION(LoopStopped, loop.processEvents());
    }
};

QTEST_MAIN(QtServicesTest)
#include "qt_services_test.moc"
