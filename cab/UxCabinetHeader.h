// Reads what a cabinet's fixed header and file table say, trusting none of
// its bytes: every count and offset is checked against what was read.
// Start-up reads only this much of each archive, however large it is.
#pragma once
#include <string>
#include <vector>

struct UxCabinetHeader {
    struct FILE_ {
        std::string name;  // raw bytes, as stored
        unsigned size;
        unsigned folder;  // 0xFFFD-0xFFFF: continued from or into another cabinet
        unsigned attributes;
    };
    enum Result { OK, NOT_A_CABINET, TRUNCATED };
    enum : unsigned { CONTINUED_FROM_PREV = 0xFFFD, CONTINUED_TO_NEXT = 0xFFFE, CONTINUED_PREV_AND_NEXT = 0xFFFF };

    unsigned length = 0;  // the whole cabinet's size, as its header gives it
    unsigned setId = 0;
    unsigned number = 0;
    unsigned folders = 0;
    std::string previousCabinet, nextCabinet;  // empty when there is none
    std::vector<FILE_> files;

    // Parses bytes[0, size). TRUNCATED when they end before the file table does.
    Result parse(const unsigned char* bytes, size_t size);
    // Reads the header and file table of the file at path (ANSI code page);
    // TRUNCATED also when the file is shorter than its header says.
    Result read(const char* path);

    // Uncompressed bytes of the files that begin in this cabinet.
    unsigned long long beginningBytes() const;
    // True when a file continues into or from another cabinet.
    bool continues() const;
};
