#include "platform/Drives.h"

#include <gtest/gtest.h>

#include "tests/platform/FakeDrives.h"

namespace {

using platform::DriveType;

TEST(Drives, ParsesTheMountTableAndUndoesItsEscapes) {
  const auto entries = platform::ParseMountTable(
      "/dev/sda1 / ext4 rw 0 0\n"
      "\n"
      "/dev/sdb1 /media/u/My\\040Disk vfat rw 0 0\n"
      "broken-line\n");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].device, "/dev/sdb1");
  EXPECT_EQ(entries[1].mountPoint, "/media/u/My Disk");
  EXPECT_EQ(entries[1].fsType, "vfat");
}

TEST(Drives, LettersRealFileSystemsAndLeavesKernelAndOpticalMountsOut) {
  FakeDrives fake;
  fake.table =
      "proc /proc proc rw 0 0\n"
      "/dev/sdb1 /data ext4 rw 0 0\n"
      "/dev/sda2 / ext4 rw 0 0\n"
      "tmpfs /run tmpfs rw 0 0\n"
      "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
      "/dev/sr0 /media/cdrom iso9660 ro 0 0\n"
      "server:/export /net/share nfs4 rw 0 0\n"
      "/dev/sdc1 /media/u/stick vfat rw 0 0\n"
      "/dev/sdd1 /backup xfs rw 0 0\n"
      "/dev/sda2 /etc/hosts ext4 rw 0 0\n"
      "overlay /var/lib/x overlay rw 0 0\n";
  fake.removable = {"/dev/sdd1"};
  fake.directories = {"/", "/data", "/run", "/sys/fs/cgroup", "/media/cdrom", "/net/share", "/media/u/stick",
                      "/backup", "/var/lib/x"};
  const auto drives = platform::ListDrives(fake);
  ASSERT_EQ(drives.size(), 6u);
  EXPECT_EQ(drives[0].letter, 'C');
  EXPECT_EQ(drives[0].mountPoint, "/");
  EXPECT_EQ(drives[1].letter, 'D');
  EXPECT_EQ(drives[1].mountPoint, "/data");
  EXPECT_EQ(drives[1].type, DriveType::Fixed);
  EXPECT_EQ(drives[2].mountPoint, "/net/share");
  EXPECT_EQ(drives[2].type, DriveType::Remote);
  EXPECT_EQ(drives[3].mountPoint, "/media/u/stick");
  EXPECT_EQ(drives[3].type, DriveType::Removable);
  EXPECT_EQ(drives[4].mountPoint, "/backup");
  EXPECT_EQ(drives[4].type, DriveType::Removable);
  EXPECT_EQ(drives[5].letter, 'H');
  EXPECT_EQ(drives[5].mountPoint, "/var/lib/x");
}

TEST(Drives, StopsAtZ) {
  FakeDrives fake;
  for (int i = 0; i < 40; ++i) {
    const std::string mount = "/m" + std::to_string(i);
    fake.table += "/dev/sd" + std::to_string(i) + " " + mount + " ext4 rw 0 0\n";
    fake.directories.insert(mount);
  }
  const auto drives = platform::ListDrives(fake);
  ASSERT_EQ(drives.size(), 23u);  // D: to Z:
  EXPECT_EQ(drives.back().letter, 'Z');
}

TEST(Drives, TheRealMachineHasARootDrive) {
  platform::DriveSystem real;
  bool root = false;
  for (const auto& drive : platform::ListDrives(real)) root = root || (drive.letter == 'C' && drive.mountPoint == "/");
  EXPECT_TRUE(root);
}

}  // namespace
