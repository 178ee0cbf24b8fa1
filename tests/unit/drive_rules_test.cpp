// Which mounts the picker lists as drives, and which drive a path lies on.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/drives.h"
#include "platform/posix/mount_table.h"

namespace zolvantek {
namespace {

TEST(DriveRules, OnlyMountsThatHoldFilesAreDrivesAndEachPathLiesOnTheDeepestOne) {
    const std::string table =
        "proc /proc proc rw 0 0\n/dev/vda / ext4 rw 0 0\ntmpfs /tmp tmpfs rw 0 0\n"
        "/dev/sdb1 /run/media/me/USB\\040Stick\\040 vfat rw 0 0\n/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\nserver:/share /mnt/share nfs4 rw 0 0\n"
        "me@host: /mnt/remote fuse.sshfs rw 0 0\n/dev/loop3 /snap/core/1 squashfs ro 0 0\n"
        "portal /run/user/1000/doc fuse.portal rw 0 0\ncgroup /sys/fs/cgroup cgroup rw 0 0\n"
        "overlay /var/lib/docker/x overlay rw 0 0\ngarbage\n";
    EXPECT_EQ(platform::UserMountPoints(table),
              (std::vector<std::string>{"/run/media/me/USB Stick ", "/home", "/mnt/share",
                                        "/mnt/remote"}));
    const std::vector<std::string> roots = {"/", "/home", "/home/me/disk"};
    EXPECT_EQ(platform::DriveOfPathAmong("/home/me/x", roots), "/home");
    EXPECT_EQ(platform::DriveOfPathAmong("/home/me/disk", roots), "/home/me/disk");
    EXPECT_EQ(platform::DriveOfPathAmong("/homework", roots), "/");
    EXPECT_EQ(platform::DriveOfPathAmong("/home/me/disk/../x", roots), "/home");
    EXPECT_EQ(platform::DriveOfPathAmong("relative", roots), "");
    // Opening the drive of the current directory shows the current directory.
    const std::string current = std::filesystem::current_path().string();
    EXPECT_EQ(platform::DriveCurrentDirectory(platform::DriveOfPath(current)), current);
}

}  // namespace
}  // namespace zolvantek
