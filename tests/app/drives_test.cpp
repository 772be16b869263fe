// The machine's drives, read from its mount table, and the drive that holds a folder.
#include "app/drives.h"
#include "platform/fakes/fake_file_system.h"
#include "platform/fakes/fake_system.h"

#include <QtTest>

using namespace dorvantile;
using Drives = std::vector<std::string>;

class DrivesTest : public QObject {
    Q_OBJECT

private slots:
    // "/" always, then the mount points of file systems with storage that are folders:
    // no kernel view, no memory, no bind-mounted file, no mount point that has gone.
    void areRootAndTheFoldersWhereStorageIsMounted() {
        fakes::FakeEnvironment environment;
        fakes::FakeFileSystem fileSystem;
        for (const char* folder : {"/run", "/home", "/media/usb stick", "/sys/firmware/efi"})
            fileSystem.addFolder(folder);
        fileSystem.addEntry("/etc/hostname");
        environment.mounts =
            "40 27 0:30 / /run rw,nosuid shared:5 - tmpfs tmpfs rw\n"
            "41 27 8:17 / /home rw,relatime shared:12 - ext4 /dev/sdb1 rw\n"
            "42 27 8:33 / /media/usb\\040stick rw shared:13 master:2 - vfat /dev/sdc1 rw\n"
            "44 23 8:49 / /sys/firmware/efi rw - ext4 /dev/sdd1 rw\n"
            "45 27 8:17 /user /home rw - ext4 /dev/sdb1 rw\n"
            "46 27 8:17 /h /etc/hostname rw - ext4 /dev/sdb1 rw\n"
            "47 27 8:65 / /gone rw - nfs4 server:/export rw\n"
            "malformed line without separator\n";
        environment.failures.failOn("mountTable", std::errc::permission_denied);
        QCOMPARE(app::mountedDrives(environment, fileSystem), Drives{"/"});
        QCOMPARE(app::mountedDrives(environment, fileSystem),
                 (Drives{"/", "/home", "/media/usb stick"}));
        environment.mounts.clear();
        QCOMPARE(app::mountedDrives(environment, fileSystem), Drives{"/"});
    }

    void ofAFolderIsTheLongestMountPointThatHoldsIt() {
        const Drives drives{"/", "/home", "/home/user/usb"};
        QCOMPARE(app::driveOf(drives, "/home"), "/home");
        QCOMPARE(app::driveOf(drives, "/home/user/usb/photos"), "/home/user/usb");
        QCOMPARE(app::driveOf(drives, "/homework"), "/");
    }
};

QTEST_APPLESS_MAIN(DrivesTest)
#include "drives_test.moc"
