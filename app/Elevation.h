// Going on as administrator: whether this process has the rights, starting
// kelpex again with them for the same destination, and the claim that only
// one kelpex runs at a time, which the first hands over to the second.
#pragma once
#include <windows.h>
#include <string>

// Whether the process's token carries administrator rights.
bool ProcessIsElevated();

// Starts kelpex again as administrator (the runas verb) to Run into the
// typed folder with the boxes as given, at once; false with the system's
// error (ERROR_CANCELLED: the user refused).
bool StartElevated(const std::wstring& typed, bool maker, bool app, DWORD& error);

// Claims the single instance; with handOver, waits a while for the kelpex
// that started this one to let go. False when another kelpex holds it.
bool ClaimInstance(bool handOver);
void ReleaseInstanceClaim();
