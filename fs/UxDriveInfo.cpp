#include "fs/UxDriveInfo.h"
#include "fs/PathCompare.h"

UxDriveInfo::UxDriveInfo()
    : freeBytesAvailable(0), totalBytes(0), totalFreeBytes(0), sectorsPerCluster(0), bytesPerSector(0), freeClusters(0),
      totalClusters(0), maximumComponentLength(0), volumeSerialNumber(0), fileSystemFlags(0), driveType(0) {}

UxDriveInfo::~UxDriveInfo() {}

void UxDriveInfo::query(const FCPathName& path, unsigned options) {
    path.getRoot(rootPath);
    driveType = GetDriveTypeW(rootPath.c_str());
    if ((options & QUERY_VOLUME) != 0) queryVolume();
    if ((options & QUERY_FREE_SPACE) != 0) queryFreeSpace();
}

void UxDriveInfo::queryVolume() {
    // The sizes the query has always been given for the two names.
    wchar_t name[64] = L"";
    wchar_t fileSystem[24] = L"";
    if (GetVolumeInformationW(rootPath.c_str(), name, 64, &volumeSerialNumber, &maximumComponentLength,
                              &fileSystemFlags, fileSystem, 24)) {
        volumeName = name;
        fileSystemName = fileSystem;
        return;
    }
    volumeName.clear();
    fileSystemName.clear();
    volumeSerialNumber = maximumComponentLength = fileSystemFlags = 0;
}

bool UxDriveInfo::queryFreeSpace() {
    // A drive is asked as "X:" (no separator), a share by its root.
    std::wstring queryRoot = rootPath[0] == L'\\' ? rootPath : rootPath.substr(0, 1) + L":";
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExW(queryRoot.c_str(), &available, &total, &free)) {
        freeBytesAvailable = totalBytes = totalFreeBytes = 0;
        sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
        return false;
    }
    freeBytesAvailable = available.QuadPart;
    totalBytes = total.QuadPart;
    totalFreeBytes = free.QuadPart;
    if (!GetDiskFreeSpaceW(queryRoot.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        sectorsPerCluster = bytesPerSector = freeClusters = totalClusters = 0;
    return true;
}

ULONGLONG FreeBytesFor(const std::wstring& folder) {
    std::wstring asked = LongPathForm(folder);
    if (!asked.empty() && asked.back() != L'\\') asked += L'\\';
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExW(asked.c_str(), &available, &total, &free)) return 0;
    return available.QuadPart;
}
