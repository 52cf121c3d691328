// kelpack verify FOLDER: checks a series as kelpex will extract it, and
// what kelpex never looks at: counts, set, stale parts.
#pragma once

int Verify(int argc, char** argv);
// kelpack remove-after PID FOLDER: waits (a minute at most) for the process
// to end, then removes the folder (a verify's scratch folder after the
// platform's reader brought that verify down).
int RemoveAfter(int argc, char** argv);
