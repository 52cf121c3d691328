// What only tests use to reach inside a build, run in their own process.
// kelpack itself never calls these.
#pragma once
#include <string>

// Called with each source file's name just before it is packed (null: no
// longer): a test changes the file there as a log being written would.
void SetBeforePackingForTests(void (*hook)(const char* name));
// Everything kelpack says is appended to *into as well (null: no longer).
void CaptureSayingForTests(std::string* into);
