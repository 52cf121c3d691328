// What the platform reports about the volume that holds a path, and the
// free space a Run asks of it.
#pragma once
#include "fs/FCPathName.h"
#include <string>

class UxDriveInfo {
public:
    enum { QUERY_FREE_SPACE = 1, QUERY_VOLUME = 2 };

    UxDriveInfo();
    virtual ~UxDriveInfo();

    void query(const FCPathName& path, unsigned options);

    ULONGLONG freeBytesAvailable;
    ULONGLONG totalBytes;
    ULONGLONG totalFreeBytes;
    DWORD sectorsPerCluster;
    DWORD bytesPerSector;
    DWORD freeClusters;
    DWORD totalClusters;
    std::wstring volumeName;
    std::wstring fileSystemName;
    DWORD maximumComponentLength;
    DWORD volumeSerialNumber;
    DWORD fileSystemFlags;
    std::wstring rootPath;
    UINT driveType;

private:
    void queryVolume();
    bool queryFreeSpace();
};

// The bytes this user may still write in folder (an existing folder: the
// volume mounted there, whatever its drive's root holds, with any quota
// counted); 0 when it cannot be asked.
ULONGLONG FreeBytesFor(const std::wstring& folder);
