// `Main`: the program's one window. It lays out the controls and wires them to the run.
#pragma once

#include "app/drive_list.h"
#include "app/drives.h"
#include "app/folder_view.h"
#include "app/group_frame.h"
#include "app/help_panel.h"
#include "app/option_group.h"
#include "app/picture_knop.h"
#include "app/progress_bar.h"
#include "platform/environment.h"
#include "platform/file_listing.h"
#include "platform/folder_list.h"
#include "platform/posix_file_system.h"
#include "platform/posix_output_files.h"
#include "platform/print_surface.h"
#include "platform/qt/qt_services.h"
#include "run/catalogue_writers.h"
#include "run/run_control.h"

#include <QButtonGroup>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace dorvantile::app {

/// What the window takes from outside: the desktop's services and where it starts.
struct WindowServices {
    MessageBoxes& messages;
    Shell& shell;
    Printer& printer;
    /// Where `Files.html` and `Files.txt` are written: the app folder.
    std::string outputFolder;
    /// What `Drive1` reads the drives from, each time it opens.
    MountTable& mountTable;
    /// The folder `Dir1` opens on: the process's working folder.
    std::string startFolder;
};

/// The window's client area in pixels. The window measures 6795 x 4305 twips (453 x 287
/// pixels) outside, frame and title bar included, under a frame of 3-pixel borders and a
/// 19-pixel title bar. Window managers draw frames of their own size (a bare X server none),
/// so the client area is what is fixed: 447 x 262, which holds every control. The outer
/// size is this plus whatever frame the window manager adds.
inline constexpr QSize clientSize(447, 262);

/// A run's heartbeat yields to the message loop, so the window keeps painting and
/// answering on any size of tree. Unreadable folders stay in the catalogue as headings
/// without files; the window has nowhere to list them and says nothing.
class YieldingFeedback final : public WalkFeedback {
public:
    explicit YieldingFeedback(EventLoop& loop) : loop_(loop) {}
    void working(const Totals&) override { loop_.processEvents(); }
    void cannotRead(const std::string&, std::error_code) override {}

private:
    EventLoop& loop_;
};

class Main final : public QWidget {
    Q_OBJECT

public:
    /// Creates every control and runs `Form_Load`; the window is not shown yet.
    explicit Main(WindowServices services, QWidget* parent = nullptr);
    ~Main() override;

    /// Places, sizes and colours the controls and fills the help panel.
    void Form_Load();

    /// The start picture: a catalogue run over the chosen folder. A change of drive or
    /// folder asked for during the run is applied when it ends, because the run reads
    /// `Dir1` and lists its folders through `File1`.
    void OkKnop_Click();
    /// Shows or hides the help panel; the tooltip names what the next click does.
    void HelpKnop_Click();
    /// `File1` follows the folder list; the drive list shows the folder's drive.
    void Dir1_Change();
    /// Moves the folder list to the chosen drive's current folder, or reports the drive
    /// as not there and leaves the folder list where it was.
    void Drive1_Change();
    /// Press animation of the exit picture, then the program ends.
    void ExitKnop_Click();
    /// Opens the project's website.
    void Text1_Click();

    /// `File1`, for those who check what the run will list.
    const FileListing& file1() const { return file1_; }

protected:
    /// Closing the window ends the program; a run in progress is abandoned.
    void closeEvent(QCloseEvent* event) override;

private:
    void design();
    void openFolder(const std::string& folder);
    void endProgram();

    WindowServices services_;
    PosixFileSystem fileSystem_;
    PosixOutputFiles files_;
    QtEventLoop loop_;
    QtPointer pointer_;
    YieldingFeedback feedback_{loop_};
    FolderList list1_;
    FileListing file1_{fileSystem_};

    GroupFrame frame1_{this};
    DriveList drive1_{[this] { return mountedDrives(services_.mountTable, fileSystem_); },
                      &frame1_};
    FolderView dir1_{fileSystem_, &frame1_};
    /// Never shown: what a screen reader calls `Drive1`, whose own name is the drive shown.
    QLabel driveLabel_{&frame1_};

    GroupFrame frame2_{this};
    QRadioButton keuze1_{&frame2_};
    QRadioButton keuze2_{&frame2_};
    QRadioButton keuze3_{&frame2_};
    QButtonGroup keuzeGroup_;
    OptionGroup keuze_{keuzeGroup_};
    BarBox bar_{QColor(0, 0, 64), &frame2_};
    QLabel procentLabel_{&frame2_};
    ProgressBar progress_{bar_, procentLabel_};
    SharpPicture image1_{&frame2_};
    QLabel label1_{&frame2_};
    PictureKnop okKnop_{&frame2_};
    HelpPanel text1_{&frame2_};

    GroupFrame frame3_{this};
    QLabel label3_{&frame3_};
    QPushButton helpKnop_{&frame3_};
    QLabel label2_{&frame3_};
    PictureKnop exitKnop_{&frame3_};

    RunServices run_{
        dir1_,           keuze_,           okKnop_, progress_,          pointer_,  list1_,
        file1_,          fileSystem_,      loop_,   services_.messages, feedback_, files_,
        services_.shell, services_.printer};
    CatalogueWriters writers_{run_, services_.outputFolder};
    RunControl control_{run_, writers_};
    /// A change of drive or folder asked for during a run; the last one wins.
    std::function<void()> held_;
};

/// Shows `window` centred on its screen.
void showCentred(QWidget& window);

} // namespace dorvantile::app
