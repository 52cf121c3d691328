// What only tests and benchmarks use to run the main window away from the
// executable's folder. The program itself never includes this.
#pragma once

// Points ApplicationFolder() at a prepared folder; an empty text goes back
// to the executable's own.
void SetApplicationFolderForTests(const char* folder);
