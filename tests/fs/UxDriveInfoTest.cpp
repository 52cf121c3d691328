#include "fs/UxDriveInfo.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>

TEST(UxDriveInfo, MissingDriveGivesNoRootAndZeros) {
    UxDriveInfo info;
    info.query(FCPathName(L"Q:\\dest\\"), UxDriveInfo::QUERY_FREE_SPACE);
    EXPECT_EQ(L"Q:\\", info.rootPath);
    EXPECT_EQ(static_cast<UINT>(DRIVE_NO_ROOT_DIR), info.driveType);
    EXPECT_EQ(0u, info.totalFreeBytes);
    EXPECT_EQ(0u, info.freeBytesAvailable);
    EXPECT_EQ(0u, info.totalBytes);
    EXPECT_EQ(0u, info.bytesPerSector);
    EXPECT_EQ(0u, FreeBytesFor(L"Q:\\dest\\"));
}

TEST(UxDriveInfo, DrivesReportTheirOwnSizeAndFreeSpace) {
    struct Case {
        char drive;
        const wchar_t* path;
        ULONGLONG size;  // 0: whatever it holds
    } cases[] = {{'T', L"T:\\not\\yet\\made\\", 0}, {'S', L"S:\\x", 65536}};
    for (const Case& c : cases) {
        if (!TempFolder::driveExists(c.drive)) continue;  // a test drive the machine did not map
        UxDriveInfo info;
        info.query(FCPathName(c.path), UxDriveInfo::QUERY_FREE_SPACE);
        EXPECT_EQ(static_cast<UINT>(DRIVE_FIXED), info.driveType) << c.drive;
        ULARGE_INTEGER available, total, free;
        wchar_t root[4] = {static_cast<wchar_t>(c.drive), L':', L'\\', L'\0'};
        ASSERT_TRUE(GetDiskFreeSpaceExW(root, &available, &total, &free));
        EXPECT_EQ(total.QuadPart, info.totalBytes) << c.drive;
        if (c.size != 0) {
            EXPECT_EQ(c.size, info.totalBytes);
        }
        EXPECT_LE(info.totalFreeBytes, info.totalBytes);
        EXPECT_EQ(L"", info.volumeName);  // not asked for
    }
}

TEST(UxDriveInfo, VolumeInformationOnRequest) {
    UxDriveInfo info;
    info.query(FCPathName(L"C:\\windows\\"), UxDriveInfo::QUERY_VOLUME);
    wchar_t name[64] = L"", fileSystem[24] = L"";
    DWORD serial = 0, component = 0, flags = 0;
    ASSERT_TRUE(GetVolumeInformationW(L"C:\\", name, 64, &serial, &component, &flags, fileSystem, 24));
    EXPECT_EQ(std::wstring(fileSystem), info.fileSystemName);
    EXPECT_EQ(component, info.maximumComponentLength);
    EXPECT_EQ(0u, info.totalBytes);  // free space was not asked for
}

TEST(UxDriveInfo, UncPathAsksTheShare) {
    UxDriveInfo info;
    info.query(FCPathName(L"\\\\server\\share\\dir\\"), UxDriveInfo::QUERY_FREE_SPACE);
    EXPECT_EQ(L"\\\\server\\share\\", info.rootPath);
    EXPECT_EQ(0u, info.totalFreeBytes);
}
