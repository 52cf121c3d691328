// The series' findings in the words kelpack prints (kelpex never links
// this).
#include "cab/UxSeriesWalk.h"
#include "foundation/WideText.h"

std::wstring UxSeriesWalk::printed(const UxSeriesFinding& f) const {
    std::wstring part = f.part < names.size() ? FromShiftJis(names[f.part].text()) : std::wstring();
    std::wstring next = FromShiftJis(f.next.c_str());
    switch (f.kind) {
    case UxSeriesFinding::MISSING: return part + L": missing";
    case UxSeriesFinding::NOT_A_CABINET: return part + L": not a cabinet";
    case UxSeriesFinding::TRUNCATED: return part + L": cut short";
    case UxSeriesFinding::NEXT_MISSING: return part + L": continues into " + next + L", which is missing";
    case UxSeriesFinding::NEXT_UNUSABLE:
        return part + L": continues into " + next + L", which is not the name of a file beside it";
    case UxSeriesFinding::CLASH:
        return FromShiftJis(names[f.otherPart].text()) + L": " + entryShown(f.otherEntry, f.otherAttributes) +
               L" and " + part + L": " + entryShown(f.entry, f.entryAttributes) + L" are one file on Windows";
    case UxSeriesFinding::MIXED_BUILDS:
        return L"the cabinets are not one build's: their set IDs and indexes (" + FromShiftJis(f.sets.c_str()) +
               L") mix series";
    default: break;
    }
    std::wstring text = part + L": damaged: ";
    if (!f.next.empty()) text += L"(its continuation " + next + L") ";
    text += FromShiftJis(UxCabinetHeader::faultPrinted(f.fault));
    if (!f.entry.empty()) text += L": " + entryShown(f.entry, f.entryAttributes);
    return text;
}
