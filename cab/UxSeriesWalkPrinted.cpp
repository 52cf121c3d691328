// The series' findings in the words kelpack prints, and its walk from a
// Shift_JIS folder (kelpex never links these).
#include "cab/UxSeriesWalk.h"
#include "foundation/WideText.h"

bool UxSeriesWalk::walk(const FCString& folder, const std::vector<FCString>& series) {
    return walk(std::wstring(Wide932(folder.text()).data()), series);
}

std::string UxSeriesWalk::printed(const UxSeriesFinding& f) const {
    std::string part = f.part < names.size() ? names[f.part].text() : "";
    switch (f.kind) {
    case UxSeriesFinding::MISSING: return part + ": missing";
    case UxSeriesFinding::NOT_A_CABINET: return part + ": not a cabinet";
    case UxSeriesFinding::TRUNCATED: return part + ": cut short";
    case UxSeriesFinding::NEXT_MISSING: return part + ": continues into " + f.next + ", which is missing";
    case UxSeriesFinding::NEXT_UNUSABLE:
        return part + ": continues into " + f.next + ", which is not the name of a file beside it";
    case UxSeriesFinding::CLASH:
        return std::string(names[f.otherPart].text()) + ": " + entryShown(f.otherEntry, f.otherAttributes).text() +
               " and " + part + ": " + entryShown(f.entry, f.entryAttributes).text() + " are one file on Windows";
    case UxSeriesFinding::MIXED_BUILDS:
        return "the cabinets are not one build's: their set IDs and indexes (" + f.sets + ") mix series";
    default: break;
    }
    std::string text = part + ": damaged: ";
    if (!f.next.empty()) text += "(its continuation " + f.next + ") ";
    text += UxCabinetHeader::faultPrinted(f.fault);
    if (!f.entry.empty()) text += std::string(": ") + entryShown(f.entry, f.entryAttributes).text();
    return text;
}
