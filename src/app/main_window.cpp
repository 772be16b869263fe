#include "app/main_window.h"

#include "app/accessible_controls.h"
#include "app/contact.h"
#include "app/help_text.h"
#include "app/twips.h"
#include "general/open_with_shell.h"
#include "general/pause.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QToolTip>

namespace dorvantile::app {
namespace {

constexpr QColor listBackground(230, 220, 190);
constexpr QColor captionText(64, 64, 64);
constexpr QColor darkBlue(0, 0, 64);

// The window's own colours, whatever the desktop's: a light window with dark texts, as the
// fixed colours of its lists and panels need. Every role is set, so that none is taken
// from a dark desktop theme, and each text has a contrast of at least 4.5:1 with the
// background it is drawn on.
QPalette windowPalette() {
    QPalette palette(QColor(240, 240, 240)); // derives the disabled texts' greys
    const std::pair<QPalette::ColorRole, QColor> roles[] = {
        {QPalette::Window, QColor(240, 240, 240)},
        {QPalette::WindowText, Qt::black},
        {QPalette::Base, Qt::white},
        {QPalette::AlternateBase, QColor(245, 245, 245)},
        {QPalette::Text, Qt::black},
        {QPalette::Button, QColor(240, 240, 240)},
        {QPalette::ButtonText, Qt::black},
        {QPalette::BrightText, Qt::white},
        {QPalette::Light, Qt::white},
        {QPalette::Midlight, QColor(227, 227, 227)},
        {QPalette::Mid, QColor(160, 160, 160)},
        {QPalette::Dark, QColor(160, 160, 160)},
        {QPalette::Shadow, QColor(105, 105, 105)},
        {QPalette::Highlight, QColor(0, 0, 128)},
        {QPalette::HighlightedText, Qt::white},
        {QPalette::ToolTipBase, QColor(255, 255, 225)},
        {QPalette::ToolTipText, Qt::black},
        {QPalette::PlaceholderText, QColor(96, 96, 96)},
        {QPalette::Link, QColor(0, 0, 192)},
        {QPalette::LinkVisited, QColor(96, 0, 128)}};
    for (const auto& [role, colour] : roles) {
        for (const QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            // Disabled texts keep the greys derived above.
            const bool text = role == QPalette::WindowText || role == QPalette::Text ||
                              role == QPalette::ButtonText;
            if (group != QPalette::Disabled || !text)
                palette.setColor(group, role, colour);
        }
    }
    return palette;
}

void setColour(QWidget& widget, QPalette::ColorRole role, QColor colour) {
    QPalette palette = widget.palette();
    palette.setColor(role, colour);
    widget.setPalette(palette);
}

void setCaption(QLabel& label, const QString& caption) {
    label.setText(caption);
    label.adjustSize();
}

void place(QWidget& widget, int leftTwips, int topTwips) {
    widget.move(pixels(leftTwips), pixels(topTwips));
}

} // namespace

Main::Main(WindowServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
    design();
    Form_Load();

    // The folder list opens on the working folder, as long as it can be read.
    for (const std::string& folder : {services_.startFolder, std::string("/")}) {
        if (!folder.empty() && !dir1_.setPath(folder))
            break;
    }
    Dir1_Change();
    connect(&dir1_, &FolderView::changed, this, &Main::Dir1_Change);
    connect(&dir1_, &FolderView::openRequested, this,
            [this](const QByteArray& folder) { openFolder(folder.toStdString()); });
    connect(&drive1_, &DriveList::changed, this, &Main::Drive1_Change);
    connect(&okKnop_, &PictureKnop::clicked, this, &Main::OkKnop_Click);
    connect(&exitKnop_, &PictureKnop::clicked, this, &Main::ExitKnop_Click);
    connect(&helpKnop_, &QPushButton::clicked, this, &Main::HelpKnop_Click);
    connect(&text1_, &HelpPanel::clicked, this, &Main::Text1_Click);
    drive1_.setFocus();
}

Main::~Main() = default;

// What a form designer would hold: names, captions, tooltips, pictures, fonts and the
// colours of the texts.
void Main::design() {
    setObjectName(QStringLiteral("Main"));
    setWindowTitle(QStringLiteral("Dorvantile"));
    installAccessibleControls();
    QIcon icon; // sharp at every size a desktop asks for
    for (const int size : {32, 64, 128})
        icon.addPixmap(QPixmap::fromImage(iconPicture(size)));
    setWindowIcon(icon);
    setPalette(windowPalette());
    QToolTip::setPalette(windowPalette()); // tooltips are windows of their own
    // The dialog font of every control but the help panel: small enough that each caption
    // fits the room its label has beside the pictures.
    setFont(QFont(QStringLiteral("Arial"), 8));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);

    const std::pair<QWidget*, const char*> names[] = {
        {&frame1_, "Frame1"},     {&drive1_, "Drive1"}, {&dir1_, "Dir1"},
        {&frame2_, "Frame2"},     {&keuze1_, "Keuze1"}, {&keuze2_, "Keuze2"},
        {&keuze3_, "Keuze3"},     {&bar_, "Bar"},       {&procentLabel_, "ProcentLabel"},
        {&image1_, "Image1"},     {&label1_, "Label1"}, {&okKnop_, "OkKnop"},
        {&text1_, "Text1"},       {&frame3_, "Frame3"}, {&label3_, "Label3"},
        {&helpKnop_, "HelpKnop"}, {&label2_, "Label2"}, {&exitKnop_, "ExitKnop"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    drive1_.setToolTip(QStringLiteral(" Drives "));
    dir1_.setToolTip(QStringLiteral(" Folders "));
    // What a screen reader calls the controls without a caption of their own; the pictures
    // are named as the labels beside them. On Linux a drop-down list's name is the entry it
    // shows, and a label names the list itself.
    const std::pair<QWidget*, const char*> accessibleNames[] = {{&dir1_, "Folders"},
                                                                {&bar_, "Progress"},
                                                                {&okKnop_, "Start"},
                                                                {&exitKnop_, "Stop program"}};
    for (const auto& [widget, name] : accessibleNames)
        widget->setAccessibleName(QLatin1String(name));
    driveLabel_.hide();
    driveLabel_.setText(QStringLiteral("Drive"));
    driveLabel_.setBuddy(&drive1_);

    keuze1_.setText(QStringLiteral("Save files to Html page"));
    keuze2_.setText(QStringLiteral("Save files to Text file"));
    keuze3_.setText(QStringLiteral("Save files to Printer"));
    int index = 1;
    for (QRadioButton* keuze : {&keuze1_, &keuze2_, &keuze3_}) {
        setColour(*keuze, QPalette::WindowText, captionText);
        keuzeGroup_.addButton(keuze, index++);
    }
    keuze1_.setChecked(true);

    bar_.setToolTip(QStringLiteral(" Progress "));
    bar_.setFocusPolicy(Qt::TabFocus);
    setColour(procentLabel_, QPalette::WindowText, captionText);
    setCaption(procentLabel_, QStringLiteral("0%"));

    image1_.setDrawing([](qreal ratio) {
        QImage image = iconPicture(qRound(32 * ratio));
        image.setDevicePixelRatio(ratio);
        return image;
    });
    setColour(label1_, QPalette::WindowText, captionText);
    setCaption(label1_, QStringLiteral("Start"));
    okKnop_.setShortcut({Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter, Qt::Key_F5});
    okKnop_.setDrawing([](qreal ratio) {
        return knopPicture(
            {QColor(0, 0, 192), QColor(0, 0, 216), QColor(0, 0, 120), QStringLiteral("Ok")}, ratio);
    });

    text1_.hide();
    text1_.setFont(QFont(QStringLiteral("Arial"), 9));
    setColour(text1_, QPalette::Text, captionText);
    text1_.raise();

    label3_.setAutoFillBackground(true);
    setColour(label3_, QPalette::Window, darkBlue);
    helpKnop_.setText(QStringLiteral("Help"));
    helpKnop_.setToolTip(QStringLiteral(" Click for open Helpwindow "));
    setColour(label2_, QPalette::WindowText, captionText);
    setCaption(label2_, QStringLiteral("Stop program"));
    exitKnop_.setShortcut({QKeySequence(Qt::CTRL | Qt::Key_Q)});
    exitKnop_.setDrawing([](qreal ratio) {
        return knopPicture(
            {QColor(192, 0, 0), QColor(216, 0, 0), QColor(120, 0, 0), QStringLiteral("Exit")},
            ratio);
    });

    setTabOrder(&drive1_, &dir1_);
    setTabOrder(&dir1_, &bar_);
    setTabOrder(&bar_, &keuze1_);
    setTabOrder(&keuze1_, &keuze2_);
    setTabOrder(&keuze2_, &keuze3_);
    setTabOrder(&keuze3_, &text1_);
    setTabOrder(&text1_, &helpKnop_);
}

void Main::Form_Load() {
    setFixedSize(clientSize);
    frame1_.setGeometry(twipsRect(75, -15, 2700, 3885));
    drive1_.setGeometry(twipsRect(135, 240, 2430, 315));
    setColour(drive1_, QPalette::Button, listBackground);
    setColour(drive1_, QPalette::Base, listBackground);
    dir1_.setGeometry(twipsRect(135, 720, 2415, 3015));
    setColour(dir1_, QPalette::Base, listBackground);
    frame2_.setGeometry(twipsRect(2865, -15, 3780, 2850));
    place(okKnop_, 3030, 2265);
    place(label1_, 2595, 2370);
    bar_.setGeometry(twipsRect(135, 240, 3510, 300));
    place(procentLabel_, 180, 600);
    int top = 990;
    for (QRadioButton* keuze : {&keuze1_, &keuze2_, &keuze3_}) {
        keuze->setGeometry(twipsRect(360, top, 2400, 285));
        top += 300;
    }
    text1_.setGeometry(twipsRect(45, 135, 3675, 2655));
    setColour(text1_, QPalette::Base, QColor(200, 210, 220));
    text1_.setHelpText(helpText());
    place(image1_, 150, 2250);
    frame3_.setGeometry(twipsRect(2865, 2850, 3780, 1020));
    label3_.setGeometry(twipsRect(120, 225, 900, 675));
    helpKnop_.setGeometry(twipsRect(150, 570, 840, 315));
    place(exitKnop_, 3030, 450);
    place(label2_, 2010, 555);
}

void Main::OkKnop_Click() {
    try {
        control_.OkKnop_Click();
    } catch (const LoopStopped&) {
        // The program is ending: the run unwound and left the old catalogue in place.
        pointer_.set(MousePointer::Arrow);
        return;
    }
    // A click during a run returns at once; only the run's own end applies what was held.
    if (!control_.running() && held_)
        std::exchange(held_, nullptr)();
}

void Main::HelpKnop_Click() {
    if (!text1_.isHidden()) {
        text1_.hide();
        helpKnop_.setToolTip(QStringLiteral(" Click for open Helpwindow "));
    } else {
        text1_.show();
        helpKnop_.setToolTip(QStringLiteral(" Click for close Helpwindow "));
    }
}

void Main::Dir1_Change() {
    const std::string folder = dir1_.path();
    // The folder list has just read this folder; should it fail now, File1 keeps its
    // previous listing, as it does for any folder it cannot read.
    [[maybe_unused]] const std::error_code keptPrevious = file1_.assign(folder);
    drive1_.follow(folder);
}

void Main::Drive1_Change() {
    if (control_.running()) {
        held_ = [this] { Drive1_Change(); };
        return;
    }
    const std::string drive = drive1_.drive();
    const std::string folder = drive1_.currentFolder(drive);
    // The folder last visited on a drive may have gone while the drive itself is there.
    if (!dir1_.setPath(folder) || (folder != drive && !dir1_.setPath(drive)))
        return;
    services_.messages.show("Drive niet aanwezig....", " Drive-Error", MessageIcon::None);
}

void Main::ExitKnop_Click() {
    try {
        exitKnop_.setTop(465);
        exitKnop_.setLeft(3045);
        Pause(loop_, 0.2f);
        exitKnop_.setTop(450);
        exitKnop_.setLeft(3030);
        Pause(loop_, 0.1f);
    } catch (const LoopStopped&) {
        // Another click on the exit picture ended the program during this animation.
        return;
    }
    endProgram();
}

void Main::Text1_Click() {
    OpenWithShell(services_.shell, websiteAddress);
}

void Main::closeEvent(QCloseEvent* event) {
    // A run nested in the message loop would otherwise go on behind the closed window,
    // write its catalogue and open the browser after the program was ended.
    loop_.stop();
    event->accept();
}

void Main::openFolder(const std::string& folder) {
    if (control_.running()) {
        held_ = [this, folder] { openFolder(folder); };
        return;
    }
    if (std::error_code error = dir1_.setPath(folder))
        services_.messages.show(folder + ": " + error.message(), applicationTitle,
                                MessageIcon::Critical);
}

void Main::endProgram() {
    close();
    QCoreApplication::exit(0);
}

namespace {

void centre(QWidget& window) {
    QRect frame = window.frameGeometry();
    if (const QScreen* screen = window.screen())
        frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

// Centres a window again, frame and all, once the window manager has framed it. Gives up
// after a while: a bare X server frames nothing, and the user may move the window later.
class FrameWatch final : public QObject {
public:
    explicit FrameWatch(QWidget& window) : QObject(&window), window_(window) {
        window.installEventFilter(this);
        QTimer::singleShot(std::chrono::seconds(3), this, &QObject::deleteLater);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        const QEvent::Type type = event->type();
        if ((type == QEvent::Move || type == QEvent::Resize || type == QEvent::WindowActivate) &&
            window_.frameGeometry() != window_.geometry()) {
            window_.removeEventFilter(this);
            centre(window_);
            deleteLater();
        }
        return false;
    }

private:
    QWidget& window_;
};

} // namespace

void showCentred(QWidget& window) {
    // Where a program places its own window (X11), the window manager adds its frame only
    // once the window is shown: the first place centres the window alone. Where the
    // platform places windows itself (Wayland), moves do nothing.
    centre(window);
    window.show();
    new FrameWatch(window);
}

} // namespace dorvantile::app
