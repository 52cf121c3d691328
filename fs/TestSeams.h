// What only tests use to set the files and paths subsystem's answers. The
// programs never include this.
#pragma once
#include <windows.h>

// Why: a volume without short names cannot be made under Wine. Makes every
// short (8.3) path lookup fail, as on such a volume.
void SetNoShortPathsForTests(bool none);
