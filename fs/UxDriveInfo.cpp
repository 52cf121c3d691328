#include "fs/UxDriveInfo.h"
#include "foundation/WideText.h"

UxDriveInfo::UxDriveInfo()
    : freeBytesAvailable(0), totalBytes(0), totalFreeBytes(0), sectorsPerCluster(0), bytesPerSector(0), freeClusters(0),
      totalClusters(0), maximumComponentLength(0), volumeSerialNumber(0), fileSystemFlags(0), driveType(0) {}

UxDriveInfo::~UxDriveInfo() {}

void UxDriveInfo::query(FCPathName& path, unsigned options) {
    path.getRoot(rootPath);
    driveType = GetDriveTypeW(Wide932(rootPath.text()).data());
    if ((options & QUERY_VOLUME) != 0) queryVolume();
    if ((options & QUERY_FREE_SPACE) != 0) queryFreeSpace();
}

void UxDriveInfo::queryVolume() {
    wchar_t name[64] = L"";
    wchar_t fileSystem[24] = L"";
    if (GetVolumeInformationW(Wide932(rootPath.text()).data(), name, 64, &volumeSerialNumber, &maximumComponentLength,
                              &fileSystemFlags, fileSystem, 24)) {
        volumeName.assignFrom(Narrow932(name).c_str());
        fileSystemName.assignFrom(Narrow932(fileSystem).c_str());
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
    if (!GetDiskFreeSpaceExW(Wide932(queryRoot.text()).data(), &available, &total, &free)) {
        freeBytesAvailable = totalBytes = totalFreeBytes = 0;
        sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
        return false;
    }
    freeBytesAvailable = available.QuadPart;
    totalBytes = total.QuadPart;
    totalFreeBytes = free.QuadPart;
    if (!GetDiskFreeSpaceW(Wide932(queryRoot.text()).data(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
    return true;
}
