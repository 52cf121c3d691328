// Naming a target: each entry's name checked and placed below the
// destination (UxCabTargets.cpp), the destination's folders made and
// remembered, and, for names the system's code page cannot hold, the form
// the platform is given instead (UxCabCodePageRoute.cpp).
#pragma once
#include "fs/PathCompare.h"
#include <windows.h>
#include <map>
#include <string>
#include <vector>

class UxCabTargets {
public:
    // What the cabinet says of a file: its size and its time.
    struct ENTRY_STAMP_ {
        DWORD size = 0;
        WORD dosDate = 0, dosTime = 0;
    };
    // A file from the moment its target is named until it is settled: an
    // existing target is written under a temporary name beside it and
    // takes its place once complete.
    struct TARGET_ {
        std::wstring relative;  // the target below the destination
        std::wstring target;  // where the file belongs
        std::wstring written;  // where the platform writes it
        ENTRY_STAMP_ entry;
        bool existed = false;  // a file stood under the target's name
        bool replacing() const { return written != target; }
    };

    // leftovers: where files and folders of ours that could not be removed
    // are named (not owned).
    explicit UxCabTargets(std::vector<std::wstring>& leftovers) : leftovers_(leftovers) {}
    virtual ~UxCabTargets();
    UxCabTargets(const UxCabTargets&) = delete;
    UxCabTargets& operator=(const UxCabTargets&) = delete;

    // The destination of the next cabinet, ending in a separator. What is
    // known of its folders is kept when keep is set and the platform
    // resolves it to the same folder as before.
    void setDestination(const std::wstring& folder, bool keep);
    void forgetFolders();
    // A file below the destination as messages name it.
    std::wstring shown(const std::wstring& relative) const { return destination_ + relative; }
    // The entry's name, checked, and its target in file; false with failure
    // set when it must not be written.
    bool build(const char* nameInCabinet, DWORD attributes, TARGET_& file, std::wstring& failure) const;
    // Makes the target's folder where it is missing, naming each folder it
    // made in created. True when the target is new in a folder this
    // extraction made: nothing can stand there but what it wrote.
    bool prepareFolder(const std::wstring& target, std::vector<std::wstring>& created);
    // An ASCII temporary name in folder that no file has, in file.written;
    // false with failure (the text head, the file named) when none is free.
    bool temporary(const std::wstring& folder, TARGET_& file, const char* head, std::wstring& failure);
    // What the platform is given to write the file's written path: that
    // path in the system's code page, or, where that cannot name it, an
    // ASCII name in a scratch folder of ours or, where none can be made, a
    // temporary file reached through the folder's short name; written then
    // names that file, which takes the target's name once measured. False
    // with failure set when neither can be made.
    bool platformTarget(TARGET_& file, std::string& platform, std::wstring& failure);
    // Removes the scratch folders and what is left in them, and forgets the
    // routes through them. The files in them must be settled first.
    void removeScratchFolders();

private:
    // A folder for such files in the deepest folder of the destination's
    // (the destination itself, or one above it) that the system's code page
    // can name by its long or its short name: on the same volume, so the
    // final move is a rename, and one for the whole cabinet. Names in it are
    // ours alone, so a file's needs no create to be reserved. False, with
    // scratch and platform untouched, when none can be made.
    bool makeScratchFolder(const std::wstring& folder, std::wstring& scratch, std::string& platform);
    void ensureFolder(const std::wstring& folder, std::vector<std::wstring>& created);

    std::vector<std::wstring>& leftovers_;
    std::wstring destination_;  // as given, ending in a separator
    std::wstring normalized_;  // as the platform resolves it
    PathSet knownFolders_;  // folders known to exist
    PathSet freshFolders_;  // folders this extraction created
    PathSet written_;  // targets written into fresh folders
    unsigned names_ = 0;  // temporary names given
    struct SCRATCH_ {
        std::wstring ancestor;  // the deepest folder the system's code page can name
        std::wstring folder;  // ours inside it
        std::string platform;  // its name in that code page
    };
    std::vector<SCRATCH_> scratchFolders_;  // made by makeScratchFolder
    // Where files of a folder the system's code page cannot name are written
    // (the folder itself or a scratch folder) and its name for the platform
    // (a short name, or the scratch folder's); for one cabinet.
    struct WRITE_FOLDER_ {
        std::wstring folder;
        std::string platform;
    };
    std::map<std::wstring, WRITE_FOLDER_> writeFolders_;
};
