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
        unsigned offset;  // of its first byte in its folder's data
        unsigned folder;  // 0xFFFD-0xFFFF: continued from or into another cabinet
        unsigned attributes;
    };
    struct FOLDER_ {
        unsigned dataOffset;  // of its first data block
        unsigned blocks;
        unsigned compression;  // typeCompress as stored
        // What readBlocks found in its blocks' headers.
        unsigned long long uncompressed;
        unsigned checksums;  // the blocks' checksums folded together
    };
    enum Result { OK, NOT_A_CABINET, TRUNCATED };
    // What makes a cabinet one the platform's reader must not be given: it
    // would take another folder's bytes, skip an entry without a word, or
    // read outside what it holds.
    enum Fault {
        FAULT_NONE,
        FAULT_NO_FOLDER,  // files but no folder
        FAULT_FOLDER_INDEX,  // an entry in a folder the cabinet does not have
        FAULT_CONTINUATION,  // an entry continued from or into a cabinet that is not there
        FAULT_DATA_OUTSIDE,  // a folder's data outside the cabinet
        FAULT_COMPRESSION,  // a compression the platform cannot decode, or its parameters out of range
        FAULT_FILE_TABLE,  // the file table apart from the end of the folder records
        FAULT_UNPAIRED,  // entries continued from the previous cabinet that it does not continue
        FAULT_UNCOUNTED,  // room in the file table for entries the header does not count
        FAULT_DATA_SIZE,  // a folder's blocks hold other than the bytes its entries claim
        FAULT_NOT_NEXT,  // a part a file continues into that is of another set, or out of order
        FAULT_COUNT
    };
    enum : unsigned { CONTINUED_FROM_PREV = 0xFFFD, CONTINUED_TO_NEXT = 0xFFFE, CONTINUED_PREV_AND_NEXT = 0xFFFF };

    unsigned length = 0;  // the whole cabinet's size, as its header gives it
    unsigned setId = 0;
    unsigned number = 0;
    unsigned folders = 0;
    unsigned blockReserve = 0;  // bytes reserved in each data block's header
    unsigned filesAt = 0;  // where the header says the file table starts
    unsigned foldersEnd = 0;  // where the folder records end
    unsigned filesEnd = 0;  // where the file table ends
    std::string previousCabinet, nextCabinet;  // empty when there is none
    std::vector<FOLDER_> folderRecords;
    std::vector<FILE_> files;

    // Parses bytes[0, size). TRUNCATED when they end before the file table does.
    Result parse(const unsigned char* bytes, size_t size);
    // Reads the header and file table of the file at path; TRUNCATED also
    // when the file is shorter than its header says.
    Result read(const std::wstring& path);

    // Uncompressed bytes of the files that begin in this cabinet.
    unsigned long long beginningBytes() const;
    // True when a file continues into or from another cabinet.
    bool continues() const;
    // True when a file runs on into the next cabinet.
    bool continuesIntoNext() const;

    // The structure checked before the platform reads the cabinet, given
    // whether the series has a part before it: an entry continued from a
    // previous cabinet is extracted with that cabinet, so without one it
    // would be skipped without a word. (An entry continued into the next
    // cabinet is finished from it wherever it lies beside this one; one that
    // is not there is named when the platform asks for it.) FAULT_NONE, or
    // the first fault with the index of the entry it concerns (or
    // files.size() when it concerns no entry).
    Fault check(bool partBefore, size_t& entry) const;
    // The entries continued into this cabinet from the one before it, which
    // the platform extracts with that cabinet and skips here: they must be
    // the ones it continues, name for name, or one would be skipped in both
    // without a word. FAULT_UNPAIRED with the entry (files.size() when an
    // entry of `before` is missing here).
    Fault checkFollows(const UxCabinetHeader& before, size_t& entry) const;
    // Reads every data block's header (not its data) into the folder
    // records; false when one lies outside the file.
    bool readBlocks(const std::wstring& path);
    // The accounting the platform's reader never looks at, after
    // readBlocks: the file table fills the room before the first folder's
    // data (a count that wrapped at 65,536 leaves entries no one extracts),
    // and each folder's blocks hold exactly the bytes its entries claim.
    // For a cabinet that continues, only the first.
    Fault checkAccounting(size_t& entry) const;
    // The entries the platform offers when it reads this cabinet: all but
    // those continued from the one before.
    size_t offeredEntries() const;
    // A fault in the words kelpex shows (Japanese) and kelpack prints.
    static const char* faultShown(Fault fault);
    static const char* faultPrinted(Fault fault);
};
