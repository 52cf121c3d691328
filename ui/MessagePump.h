// The user-interface thread's one loop for its messages while work goes on
// elsewhere (a Run's extraction): Unicode throughout, and every modeless
// dialog of the thread gets its keys (Tab, Enter, Escape, access keys).
#pragma once
#include <windows.h>

// Dispatches every message waiting for this thread, without waiting. A
// WM_QUIT is left for the loop that waits for it, and ends the pumping.
// What a dialog's procedure throws is caught by its guard and kept on the
// dialog, which its owner rethrows; nothing is swallowed here.
void PumpMessages();
