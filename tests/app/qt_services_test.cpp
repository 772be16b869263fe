// The Qt implementations of the desktop services: message boxes and shell. (The window's tests
// show the pointer, the loop's clock and a stopped loop at work.)
#include "platform/qt/qt_services.h"

#include <QDesktopServices>
#include <QMessageBox>
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
        for (const auto& [icon, shown] : {std::pair{MessageIcon::None, QMessageBox::NoIcon},
                                          {MessageIcon::Critical, QMessageBox::Critical}}) {
            QVariantList box; // as it is while open; then it is closed
            QTimer::singleShot(0, [&box] {
                auto* open = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                box = {open->windowTitle(), open->text(), int(open->standardButtons()),
                       open->icon()};
                open->accept();
            });
            QtMessageBoxes().show("Drive niet\naanwezig\x1b....", " Drive-Error", icon);
            QCOMPARE(box, (QVariantList{" Drive-Error", "Drive niet?aanwezig?....",
                                        int(QMessageBox::Ok), shown}));
        }
    }

    void shellOpensFilesByPathAndAddressesAsGiven() {
        for (const QString scheme : {"file", "https"})
            QDesktopServices::setUrlHandler(scheme, this, "open");
        QtShell().open("/tmp/a b#c/Fïles.html");
        QtShell().open("/tmp/caf\xE9.html"); // not UTF-8: the exact bytes
        QtShell().open("https://dorvantile.example.org/help?x=1");
        for (const QString scheme : {"file", "https"})
            QDesktopServices::unsetUrlHandler(scheme);
        QCOMPARE(opened_, (QList<QUrl>{QUrl::fromLocalFile("/tmp/a b#c/Fïles.html"),
                                       QUrl::fromEncoded("file:///tmp/caf%E9.html"),
                                       QUrl("https://dorvantile.example.org/help?x=1")}));
    }
};

QTEST_MAIN(QtServicesTest)
#include "qt_services_test.moc"
