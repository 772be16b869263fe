// The drive list read from the kernel's mount table.
#include "app/drives.h"

#include <QtTest>

using dorvantile::app::driveOf;
using dorvantile::app::drivesFromMountInfo;
using Drives = std::vector<std::string>;

class DrivesTest : public QObject {
    Q_OBJECT

private slots:
    void keepsFileSystemsWithStorageOnly() {
        const char* mountInfo =
            "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
            "23 27 0:22 / /sys rw,relatime - sysfs sysfs rw\n"
            "24 27 0:6 / /dev rw,relatime - devtmpfs devtmpfs rw,size=1k\n"
            "26 24 0:24 / /dev/pts rw,relatime - devpts devpts rw\n"
            "27 1 254:0 / / rw,relatime - ext4 /dev/vda rw\n"
            "31 23 0:28 / /sys/fs/cgroup rw,relatime shared:9 - cgroup2 cgroup2 rw\n"
            "40 27 0:30 / /run rw,nosuid shared:5 - tmpfs tmpfs rw\n"
            "41 27 8:17 / /home rw,relatime shared:12 - ext4 /dev/sdb1 rw\n"
            "42 27 8:33 / /media/usb\\040stick rw shared:13 master:2 - vfat /dev/sdc1 rw\n"
            "43 27 0:50 / /net/share rw - nfs4 server:/export rw\n"
            "44 23 8:49 / /sys/firmware/efi rw - ext4 /dev/sdd1 rw\n"
            "45 27 8:17 /user /home rw - ext4 /dev/sdb1 rw\n"
            "malformed line without separator\n";
        QCOMPARE(drivesFromMountInfo(mountInfo),
                 (Drives{"/", "/home", "/media/usb stick", "/net/share"}));
    }

    void rootIsAlwaysADrive() {
        QCOMPARE(drivesFromMountInfo(""), Drives{"/"});
        QCOMPARE(drivesFromMountInfo("1 0 0:1 / /data rw - btrfs /dev/sda2 rw\n"),
                 (Drives{"/", "/data"}));
    }

    void folderBelongsToTheLongestMountPointThatHoldsIt() {
        const Drives drives{"/", "/home", "/home/user/usb"};
        QCOMPARE(driveOf(drives, "/home/user/docs"), std::string("/home"));
        QCOMPARE(driveOf(drives, "/home"), std::string("/home"));
        QCOMPARE(driveOf(drives, "/home/user/usb/photos"), std::string("/home/user/usb"));
        QCOMPARE(driveOf(drives, "/homework"), std::string("/"));
        QCOMPARE(driveOf(drives, "/"), std::string("/"));
    }
};

QTEST_APPLESS_MAIN(DrivesTest)
#include "drives_test.moc"
