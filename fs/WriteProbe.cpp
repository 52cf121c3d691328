#include "fs/WriteProbe.h"
#include "fs/FCFile.h"
#include "fs/FileInUse.h"
#include "fs/PathCompare.h"

namespace {
// Probes a program held when they were to go; the caller's thread's.
std::vector<std::wstring> g_pendingProbes;

DWORD RemoveProbe(const std::wstring& probe) {
    DWORD attributes = GetFileAttributesW(probe.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return RemoveDirectoryW(probe.c_str()) ? 0 : GetLastError();
    SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(probe.c_str()) ? 0 : GetLastError();
}
}  // namespace

std::wstring MakeProbeName(const std::wstring& folder) {
    std::wstring probe = folder;
    if (probe.empty() || probe.back() != L'\\') probe += L'\\';
    wchar_t ticks[16];
    wsprintfW(ticks, L"%lu", GetTickCount());
    return probe + L"$$_" + ticks + L".$_$";
}

DWORD ProbeError(const std::wstring& folder, ProbeKind kind) {
    std::wstring probe = LongPathForm(MakeProbeName(folder));
    bool existed = pathExists(probe);
    DWORD code = 0;
    if (kind == PROBE_FOLDER) {
        if (!CreateDirectoryW(probe.c_str(), nullptr)) return GetLastError();
    } else {
        FCFile file;
        code = file.open(probe, OPEN_ALWAYS, GENERIC_WRITE, FILE_SHARE_READ, FILE_ATTRIBUTE_NORMAL, true);
        file.close();
        if (existed || !pathExists(probe)) return code;
    }
    if (RemoveProbe(probe) != 0) g_pendingProbes.push_back(probe);
    return code;
}

bool CanWriteToFolder(const std::wstring& folder, ProbeKind kind) {
    return ProbeError(folder, kind) != ERROR_ACCESS_DENIED;
}

std::vector<std::wstring> RemovePendingProbes() {
    std::vector<std::wstring> stay;
    for (const std::wstring& probe : g_pendingProbes) {
        DWORD error = RemoveProbe(probe);
        auto remove = [&]() { return RemoveProbe(probe); };
        if (error != 0 && RetryWhileHeld(remove, probe, kSilentWaitMs, nullptr, error) != HELD_DONE)
            stay.push_back(WithoutLongPrefix(probe));
    }
    g_pendingProbes.clear();
    return stay;
}
