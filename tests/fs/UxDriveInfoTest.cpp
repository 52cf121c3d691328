#include "fs/UxDriveInfo.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>

TEST(UxDriveInfo, MissingDriveGivesNoRootAndZeros) {
    FCPathName path("Q:\\dest\\");
    UxDriveInfo info;
    info.query(path, UxDriveInfo::QUERY_FREE_SPACE);
    EXPECT_STREQ("Q:\\", info.rootPath.text());
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), info.driveType);
    EXPECT_EQ(0u, info.totalFreeBytes);
    EXPECT_EQ(0u, info.freeBytesAvailable);
    EXPECT_EQ(0u, info.totalBytes);
    EXPECT_EQ(0u, info.bytesPerSector);
}

TEST(UxDriveInfo, MappedDriveReportsItsFreeSpaceOnly) {
    if (!TempFolder::driveExists('T')) GTEST_SKIP() << "no test drive T:";
    FCPathName path("T:\\not\\yet\\made\\");
    UxDriveInfo info;
    info.query(path, UxDriveInfo::QUERY_FREE_SPACE);
    EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), info.driveType);
    ULARGE_INTEGER a, t, f;
    ASSERT_TRUE(GetDiskFreeSpaceExA("T:", &a, &t, &f));
    EXPECT_GT(info.totalBytes, 0u);
    EXPECT_EQ(t.QuadPart, info.totalBytes);
    EXPECT_GT(info.totalFreeBytes, 0u);
    EXPECT_STREQ("", info.volumeName.text());
    EXPECT_STREQ("", info.fileSystemName.text());
    EXPECT_EQ(0u, info.volumeSerialNumber);
}

TEST(UxDriveInfo, SmallDriveReportsItsSize) {
    if (!TempFolder::driveExists('S')) GTEST_SKIP() << "no small test drive S:";
    FCPathName path("S:\\x");
    UxDriveInfo info;
    info.query(path, UxDriveInfo::QUERY_FREE_SPACE);
    EXPECT_EQ(65536u, info.totalBytes);
    EXPECT_LE(info.totalFreeBytes, 65536u);
}

TEST(UxDriveInfo, VolumeInformationOnRequest) {
    FCPathName path("C:\\windows\\");
    UxDriveInfo info;
    info.query(path, UxDriveInfo::QUERY_VOLUME);
    char name[64] = "", fileSystem[24] = "";
    DWORD serial = 0, component = 0, flags = 0;
    ASSERT_TRUE(
        GetVolumeInformationA("C:\\", name, sizeof name, &serial, &component, &flags, fileSystem, sizeof fileSystem));
    EXPECT_STREQ(fileSystem, info.fileSystemName.text());
    EXPECT_EQ(component, info.maximumComponentLength);
    EXPECT_EQ(0u, info.totalBytes);  // free space was not asked for
}

TEST(UxDriveInfo, UncPathAsksTheShare) {
    FCPathName path("\\\\server\\share\\dir\\");
    UxDriveInfo info;
    info.query(path, UxDriveInfo::QUERY_FREE_SPACE);
    EXPECT_STREQ("\\\\server\\share\\", info.rootPath.text());
    EXPECT_EQ(0u, info.totalFreeBytes);
}
