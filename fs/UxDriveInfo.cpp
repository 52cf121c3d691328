#include "fs/UxDriveInfo.h"

UxDriveInfo::UxDriveInfo()
    : freeBytesAvailable(0), totalBytes(0), totalFreeBytes(0), sectorsPerCluster(0), bytesPerSector(0), freeClusters(0),
      totalClusters(0), maximumComponentLength(0), volumeSerialNumber(0), fileSystemFlags(0), driveType(0) {}

UxDriveInfo::~UxDriveInfo() {}

void UxDriveInfo::query(FCPathName& path, unsigned options) {
    path.getRoot(rootPath);
    driveType = GetDriveTypeA(rootPath.text());
    if ((options & QUERY_VOLUME) != 0) queryVolume();
    if ((options & QUERY_FREE_SPACE) != 0) queryFreeSpace();
}

void UxDriveInfo::queryVolume() {
    char name[64] = "";
    char fileSystem[24] = "";
    if (GetVolumeInformationA(rootPath.text(), name, sizeof name, &volumeSerialNumber, &maximumComponentLength,
                              &fileSystemFlags, fileSystem, sizeof fileSystem)) {
        volumeName.assignFrom(name);
        fileSystemName.assignFrom(fileSystem);
        return;
    }
    volumeName.clear();
    fileSystemName.clear();
    volumeSerialNumber = maximumComponentLength = fileSystemFlags = 0;
}

bool UxDriveInfo::queryFreeSpace() {
    // A drive is asked as "X:" (no separator), a share by its root.
    FCString queryRoot(rootPath);
    if (rootPath.text()[0] != '\\') {
        queryRoot.clear();
        queryRoot.append(rootPath.text(), 1);
        queryRoot.append(":");
    }
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA(queryRoot.text(), &available, &total, &free)) {
        freeBytesAvailable = totalBytes = totalFreeBytes = 0;
        sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
        return false;
    }
    freeBytesAvailable = available.QuadPart;
    totalBytes = total.QuadPart;
    totalFreeBytes = free.QuadPart;
    if (!GetDiskFreeSpaceA(queryRoot.text(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
    return true;
}
