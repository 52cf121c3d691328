// Reads one part of a series through the platform's reader in a process of
// its own, watched: the reader may loop for ever on a series other tools
// read (under Wine, one valid spanning shape), and a loop inside the
// platform can only be ended with the process that runs it.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

struct PART_READ_ {
    bool extracted = false;
    bool stopped = false;  // it gave no sign of progress within the bound, and was ended
    unsigned files = 0;
    unsigned long long bytes = 0;
    std::wstring reading;  // the cabinet it was reading when it was ended, as the series names it
};

// The longest a part may go without a notification from the platform's
// reader: between two of them it writes one file, the largest of which
// holds largestFile bytes.
DWORD ReaderBoundMs(unsigned long long largestFile);

// Runs "kelpack read-part" on cabinet (named name in the series) into
// scratch and waits for it, ending it when its reader gives no notification
// for the bound. The part's outcome it says itself; the end, this.
PART_READ_ ReadPartWatched(const std::wstring& name, const std::wstring& cabinet, const std::wstring& scratch,
                           unsigned long long largestFile);

// kelpack read-part SHARE CABINET SCRATCH: the reading process's side.
int ReadPart(const std::vector<std::wstring>& arguments);
