// kelpack verify FOLDER: checks a series as kelpex will extract it, and
// what kelpex never looks at: counts, set, stale parts.
#pragma once
#include "publisher/kelpack/Options.h"

int Verify(const Arguments_& arguments);
