// What the platform reports about the volume that holds a path.
#pragma once
#include "foundation/FCString.h"
#include "fs/FCPathName.h"

class UxDriveInfo {
public:
    enum { QUERY_FREE_SPACE = 1, QUERY_VOLUME = 2 };

    UxDriveInfo();
    virtual ~UxDriveInfo();

    void query(FCPathName& path, unsigned options);

    ULONGLONG freeBytesAvailable;
    ULONGLONG totalBytes;
    ULONGLONG totalFreeBytes;
    DWORD sectorsPerCluster;
    DWORD bytesPerSector;
    DWORD freeClusters;
    DWORD totalClusters;
    FCString volumeName;
    FCString fileSystemName;
    DWORD maximumComponentLength;
    DWORD volumeSerialNumber;
    DWORD fileSystemFlags;
    FCString rootPath;
    UINT driveType;

private:
    void queryVolume();
    bool queryFreeSpace();
};
