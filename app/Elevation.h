// Going on as administrator: whether this process has the rights, handing a
// Run to a second kelpex started with them, and the claim that only one
// kelpex runs at a time, which passes from the first to the second without
// a moment in which neither holds it.
#pragma once
#include "app/RunRequest.h"
#include <windows.h>
#include <string>

// Whether the process's token carries administrator rights.
bool ProcessIsElevated();

// Starts program (kelpex) again as administrator (the runas verb), in the
// tool's folder, to run request at once: true once it is started; false
// with the system's error (ERROR_CANCELLED: the user refused).
bool StartElevated(const RunRequest& request, const std::wstring& program, DWORD& error);
// After StartElevated: waits, showing nothing, until the second kelpex has
// taken the claim (this one's then goes) and until it has ended; its exit
// code, when it is one of kelpex's own (reported: the second wrote the
// log). A second ended from outside, or crashed before its report, gives
// another code: then 4, and reported is false.
DWORD FinishHandOver(bool& reported);
bool HandOverStarted();
// The second kelpex's process until FinishHandOver; null without one.
HANDLE HandedOverProcess();

// Claims the single instance; with handOverFrom, the claim that kelpex
// (its process id) hands over. False when another kelpex holds it.
bool ClaimInstance(DWORD handOverFrom);
void ReleaseInstanceClaim();
