// One read of a series' headers, part by part, as the platform will see
// them: each part's entries, which part continues which, the real total,
// every structural fault, names Windows takes for one file, set and
// numbering. kelpex's start-up, kelpack verify and the extractor judge a
// series by it, and word each finding alike.
#pragma once
#include "cab/UxCabinetHeader.h"
#include "foundation/FCString.h"
#include "ui/Markup.h"
#include <string>
#include <vector>

struct UxSeriesFinding {
    enum Kind {
        MISSING,  // the part is not there
        NOT_A_CABINET,
        TRUNCATED,
        DAMAGED,  // a structural fault of the part, or of its link to the part before
        NEXT_MISSING,  // it continues into a cabinet that is not there
        NEXT_UNUSABLE,  // it names the cabinet it continues into with a folder, a device or a name Windows alters
        CLASH,  // two entries Windows takes for one file
        MIXED_BUILDS,  // set IDs and indexes of more than one build side by side
        KIND_COUNT
    };
    Kind kind;
    size_t part;  // the part it concerns (CLASH: the later entry's)
    UxCabinetHeader::Fault fault = UxCabinetHeader::FAULT_NONE;  // DAMAGED
    // The entry it concerns, as stored (DAMAGED, CLASH), and for CLASH the
    // earlier one and its part.
    std::string entry;
    unsigned entryAttributes = 0;
    std::string otherEntry;
    unsigned otherAttributes = 0;
    size_t otherPart = 0;
    std::string next;  // NEXT_MISSING, NEXT_UNUSABLE: the cabinet named as the next part
    std::string sets;  // MIXED_BUILDS: "set/index, …" of every part read
};

class UxSeriesWalk {
public:
    // Reads every part of names below folder (ending in a separator), in
    // set order, and records what it finds; true when nothing was found.
    bool walk(const std::wstring& folder, const std::vector<FCString>& names);

    // A part's structure given the series before it (before: the part read
    // just before, null when there is none or it was unsound): what the
    // platform's reader would misread, and whether its continued entries
    // are those the part before continues, from the same set and the index
    // after it. FAULT_NONE, or the fault with the entry it concerns.
    static UxCabinetHeader::Fault partFault(const UxCabinetHeader& part, bool partBefore, const UxCabinetHeader* before,
                                            size_t& entry);

    // In the words kelpex shows (Japanese, markup, the part named in dark
    // red) and kelpack prints (English, one line).
    UxMarkedText shown(const UxSeriesFinding& finding) const;
    std::wstring printed(const UxSeriesFinding& finding) const;

    // An entry's name as stored, in its own characters.
    static std::wstring entryShown(const std::string& raw, unsigned attributes);

private:
    void followChain(const std::wstring& folder, size_t part);
    void checkBuilds(const std::vector<std::pair<unsigned, unsigned>>& sets);

public:
    std::vector<FCString> names;
    std::vector<UxCabinetHeader> parts;  // as read; empty for a part that is not there
    std::vector<char> sound;  // read and free of structural faults
    std::vector<UxSeriesFinding> findings;
    unsigned long long total = 0;  // the bytes the platform writes from the sound parts
    // Cabinets the series does not name that a file runs on into: the
    // platform reads them with the part before, so they ship with it.
    std::vector<std::string> continuations;
    // The parts were made one at a time (each index 0) under different set
    // IDs: no promise of one build, and no fault.
    bool madeOneAtATime = false;
};
