// kelpack run as its own process, as a publisher runs it, and what the
// tests give it.
#pragma once
#include "tests/support/RunProgram.h"
#include <string>

inline ProgramResult Kelpack(const std::string& arguments, unsigned timeoutMs = 120000) {
    return RunProgram(KELPACK_EXE, arguments, timeoutMs);
}

// Paths end in no backslash: the runtime would read \" as a quote.
inline std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// Bytes that hardly compress, the same every time.
inline std::string Incompressible(size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes.push_back(static_cast<char>((i * 7919) ^ (i >> 3)));
    return bytes;
}
