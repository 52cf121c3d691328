// kelpack verify FOLDER: checks a series as kelpex will extract it, and
// what kelpex never looks at: counts, set, stale parts.
#pragma once

int Verify(int argc, char** argv);
