// Whether a folder can be written, asked the only way that tells: a
// short-lived probe made in it ("$$_" and the tick count, ".$_$"), and
// removed again.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

std::wstring MakeProbeName(const std::wstring& folder);
// Whether the folder accepts a new file (PROBE_FILE) or a new sub-folder
// (PROBE_FOLDER), tried with a short-lived probe of that kind.
enum ProbeKind { PROBE_FILE, PROBE_FOLDER };
// The error the probe met (0: it could write).
DWORD ProbeError(const std::wstring& folder, ProbeKind kind);
bool CanWriteToFolder(const std::wstring& folder, ProbeKind kind);
// A scanner may open a probe the moment it is made: one that could not go
// at once is removed here, through the wait for files in use. The probes
// that still stay, named.
std::vector<std::wstring> RemovePendingProbes();
