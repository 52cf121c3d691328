// The one read of a series that start-up, verify and the extractor share.
#include "cab/UxSeriesWalk.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "fs/PathCompare.h"
#include "foundation/Mbcs.h"
#include "foundation/WideText.h"
#include "ui/Markup.h"
#include <windows.h>

namespace {
const unsigned kDarkRed = 0xC00000;

bool SameFileName(const char* a, const char* b) {
    std::vector<wchar_t> x, y;
    Mbcs::ToWide(a, false, x);
    Mbcs::ToWide(b, false, y);
    return CompareStringOrdinal(x.data(), -1, y.data(), -1, TRUE) == CSTR_EQUAL;
}

UxSeriesFinding Finding(UxSeriesFinding::Kind kind, size_t part) {
    UxSeriesFinding finding;
    finding.kind = kind;
    finding.part = part;
    return finding;
}

UxSeriesFinding Damaged(size_t part, const UxCabinetHeader& header, UxCabinetHeader::Fault fault, size_t entry) {
    UxSeriesFinding finding = Finding(UxSeriesFinding::DAMAGED, part);
    finding.fault = fault;
    if (entry < header.files.size()) {
        finding.entry = header.files[entry].name;
        finding.entryAttributes = header.files[entry].attributes;
    }
    return finding;
}
}  // namespace

std::wstring UxSeriesWalk::entryShown(const std::string& raw, unsigned attributes) {
    std::vector<wchar_t> wide;
    if (Mbcs::ToWide(raw.c_str(), (attributes & kEntryNameIsUtf8) != 0, wide)) return wide.data();
    return FromShiftJis(raw.c_str());
}

UxCabinetHeader::Fault UxSeriesWalk::partFault(const UxCabinetHeader& part, bool partBefore,
                                               const UxCabinetHeader* before, size_t& entry) {
    entry = part.files.size();
    // The platform reads a part that a file continues into as the next of
    // the same set; any other it takes for the wrong disk.
    if (before != nullptr && before->continuesIntoNext() &&
        (part.setId != before->setId || part.number != before->number + 1))
        return UxCabinetHeader::FAULT_NOT_NEXT;
    UxCabinetHeader::Fault fault = part.check(partBefore, entry);
    if (fault == UxCabinetHeader::FAULT_NONE && before != nullptr) fault = part.checkFollows(*before, entry);
    return fault;
}

bool UxSeriesWalk::walk(const std::wstring& folder, const std::vector<FCString>& series) {
    names = series;
    parts.clear();
    parts.resize(names.size());
    sound.assign(names.size(), 0);
    findings.clear();
    continuations.clear();
    total = 0;
    madeOneAtATime = false;
    NameClashFinder clashes;
    struct SEEN_ {
        size_t part;
        const UxCabinetHeader::FILE_* file;
    };
    std::vector<SEEN_> seen;
    std::vector<std::pair<unsigned, unsigned>> sets;
    for (size_t i = 0; i < names.size(); ++i) {
        std::wstring path = folder + FromShiftJis(names[i].text());
        if (!pathExists(path)) {
            findings.push_back(Finding(UxSeriesFinding::MISSING, i));
            continue;
        }
        // Only the header and file table are read, however large the part.
        UxCabinetHeader& header = parts[i];
        UxCabinetHeader::Result result = header.read(path);
        if (result != UxCabinetHeader::OK) {
            header = UxCabinetHeader();
            findings.push_back(Finding(
                result == UxCabinetHeader::TRUNCATED ? UxSeriesFinding::TRUNCATED : UxSeriesFinding::NOT_A_CABINET, i));
            continue;
        }
        sets.emplace_back(header.setId, header.number);
        size_t entry = 0;
        const UxCabinetHeader* before = i > 0 && sound[i - 1] ? &parts[i - 1] : nullptr;
        UxCabinetHeader::Fault fault = partFault(header, i > 0, before, entry);
        if (fault != UxCabinetHeader::FAULT_NONE) {
            findings.push_back(Damaged(i, header, fault, entry));
            continue;
        }
        sound[i] = 1;
        total += header.beginningBytes();
        for (const UxCabinetHeader::FILE_& file : header.files) {
            std::vector<wchar_t> wide;
            Mbcs::ToWide(file.name.c_str(), (file.attributes & kEntryNameIsUtf8) != 0, wide);
            size_t earlier = 0;
            if (clashes.add(wide.data(), earlier)) {
                seen.push_back(SEEN_{i, &file});
                continue;
            }
            UxSeriesFinding clash = Finding(UxSeriesFinding::CLASH, i);
            clash.entry = file.name;
            clash.entryAttributes = file.attributes;
            clash.otherPart = seen[earlier].part;
            clash.otherEntry = seen[earlier].file->name;
            clash.otherAttributes = seen[earlier].file->attributes;
            findings.push_back(clash);
            seen.push_back(SEEN_{i, &file});
        }
        followChain(folder, i);
    }
    checkBuilds(sets);
    return findings.empty();
}

// A part whose last file runs on into a cabinet the series does not name
// next: the platform reads that cabinet, and any after it the file runs
// through, within this part's iteration.
// The part itself is never copied: most parts continue into nothing, and a
// file table may hold 65,535 entries.
void UxSeriesWalk::followChain(const std::wstring& folder, size_t i) {
    const UxCabinetHeader* last = &parts[i];
    UxCabinetHeader held;  // the continuation read last, beyond the named parts
    for (size_t hops = 0; last->continuesIntoNext() && hops < 65536; ++hops) {
        if (i + 1 < names.size() && hops == 0 && SameFileName(last->nextCabinet.c_str(), names[i + 1].text())) return;
        // The platform reads it from this folder, under this name, and so
        // does the extractor: nothing else is looked for.
        bool plain = IsPlainFileName(last->nextCabinet.c_str());
        std::wstring path = folder + FromShiftJis(last->nextCabinet.c_str());
        UxCabinetHeader next;
        if (!plain || !pathExists(path) || next.read(path) != UxCabinetHeader::OK) {
            UxSeriesFinding missing =
                Finding(plain ? UxSeriesFinding::NEXT_MISSING : UxSeriesFinding::NEXT_UNUSABLE, i);
            missing.next = last->nextCabinet;
            findings.push_back(missing);
            return;
        }
        size_t entry = 0;
        UxCabinetHeader::Fault fault = partFault(next, true, last, entry);
        if (fault != UxCabinetHeader::FAULT_NONE) {
            UxSeriesFinding damaged = Damaged(i, next, fault, entry);
            damaged.next = last->nextCabinet;
            findings.push_back(damaged);
            return;
        }
        continuations.push_back(last->nextCabinet);
        held = std::move(next);
        last = &held;
    }
}

// Cabinets of one build share a set ID and count on from the first; parts
// another tool made one at a time (each index 0) carry no such promise.
void UxSeriesWalk::checkBuilds(const std::vector<std::pair<unsigned, unsigned>>& sets) {
    bool mixed = false, allFirst = true;
    for (size_t i = 0; i < sets.size(); ++i) {
        mixed = mixed || sets[i].first != sets[0].first || sets[i].second != sets[0].second + i;
        allFirst = allFirst && sets[i].second == 0;
    }
    if (!mixed) return;
    if (allFirst && sets.size() > 1) {
        madeOneAtATime = true;
        return;
    }
    UxSeriesFinding finding = Finding(UxSeriesFinding::MIXED_BUILDS, 0);
    for (const auto& set : sets)
        finding.sets +=
            (finding.sets.empty() ? "" : ", ") + std::to_string(set.first) + "/" + std::to_string(set.second);
    findings.push_back(finding);
}

UxMarkedText UxSeriesWalk::shown(const UxSeriesFinding& f) const {
    const char* part = f.part < names.size() ? names[f.part].text() : "";
    UxMarkedText text;
    switch (f.kind) {
    case UxSeriesFinding::MISSING:
        return text.append("実行ファイルと同じ場所に").appendColoured(part, kDarkRed).append("が見つかりません。");
    case UxSeriesFinding::CLASH:
        text.append("キャビネットファイルに、Windowsでは同じファイルになる2つの名前があります。");
        for (int n = 0; n < 2; ++n) {
            text.append("\n").appendLiteral(names[n == 0 ? f.otherPart : f.part].text()).append(": ");
            text.appendColoured(
                entryShown(n == 0 ? f.otherEntry : f.entry, n == 0 ? f.otherAttributes : f.entryAttributes), kDarkRed);
        }
        return text;
    case UxSeriesFinding::MIXED_BUILDS:
        text.append("キャビネットファイルに、別々に作られたシリーズのものが混ざっています。\n（セットIDと番号：");
        return text.appendLiteral(f.sets.c_str()).append("）");
    default: break;
    }
    text.append("実行ファイルと同じ場所の").appendColoured(part, kDarkRed);
    switch (f.kind) {
    case UxSeriesFinding::NOT_A_CABINET: text.append("はキャビネットファイルではありません。"); break;
    case UxSeriesFinding::TRUNCATED: text.append("は途中で切れています。"); break;
    case UxSeriesFinding::NEXT_MISSING:
        text.append("の続きのキャビネットファイル").appendColoured(f.next.c_str(), kDarkRed);
        text.append("が見つかりません。");
        break;
    case UxSeriesFinding::NEXT_UNUSABLE:
        text.append("の続きのキャビネットファイルの名前").appendColoured(f.next.c_str(), kDarkRed);
        text.append("は、同じフォルダのファイルの名前として使えません。");
        break;
    default:
        text.append("は壊れています。\n");
        if (!f.next.empty()) text.append("（続きの").appendLiteral(f.next.c_str()).append("）");
        text.append(UxCabinetHeader::faultShown(f.fault));
        if (!f.entry.empty()) text.append("：").appendLiteral(entryShown(f.entry, f.entryAttributes));
        break;
    }
    return text;
}
