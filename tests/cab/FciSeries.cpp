#include "tests/cab/FciSeries.h"
#include "tests/support/TempFolder.h"
#include <windows.h>
#include <fci.h>
#include <fcntl.h>
#include <cstdlib>
#include <cstring>

namespace {
// What the callbacks share: the entries, found by their source's name.
struct FCI_STATE_ {
    const std::vector<FciEntry>* entries;
    const char* prefix;
};

FNFCIALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFCIFREE(Free) { HeapFree(GetProcessHeap(), 0, memory); }
FNFCIOPEN(Open) {
    (void)pmode;
    (void)pv;
    DWORD access = (oflag & (_O_RDWR | _O_WRONLY)) ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    DWORD disposition = (oflag & _O_CREAT) ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE h = CreateFileA(pszFile, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) *err = static_cast<int>(GetLastError());
    return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(h);
}
FNFCIREAD(Read) {
    (void)err;
    (void)pv;
    DWORD n = 0;
    return ReadFile(reinterpret_cast<HANDLE>(hf), memory, cb, &n, nullptr) ? n : static_cast<UINT>(-1);
}
FNFCIWRITE(Write) {
    (void)err;
    (void)pv;
    DWORD n = 0;
    return WriteFile(reinterpret_cast<HANDLE>(hf), memory, cb, &n, nullptr) ? n : static_cast<UINT>(-1);
}
FNFCICLOSE(Close) {
    (void)err;
    (void)pv;
    return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1;
}
FNFCISEEK(Seek) {
    (void)err;
    (void)pv;
    if (hf == -1) return 0;  // see the cabinet writer: an unopened data file reads as empty
    return static_cast<__LONG32>(SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, seektype));
}
FNFCIDELETE(Delete) {
    (void)err;
    (void)pv;
    return DeleteFileA(pszFile) ? 0 : -1;
}
FNFCIGETTEMPFILE(TempFile) {
    (void)pv;
    char folder[MAX_PATH], name[MAX_PATH];
    if (GetTempPathA(MAX_PATH, folder) == 0 || GetTempFileNameA(folder, "fci", 0, name) == 0) return FALSE;
    DeleteFileA(name);
    lstrcpynA(pszTempName, name, cbTempName);
    return TRUE;
}
FNFCIFILEPLACED(Placed) {
    (void)pccab;
    (void)pszFile;
    (void)cbFile;
    (void)fContinuation;
    (void)pv;
    return 0;
}
FNFCISTATUS(Status) {
    (void)typeStatus;
    (void)cb1;
    (void)cb2;
    (void)pv;
    return 0;
}
void NamePart(CCAB& ccab, const char* prefix) { wsprintfA(ccab.szCab, "%s%d.cab", prefix, ccab.iCab + 1); }
FNFCIGETNEXTCABINET(NextCabinet) {
    (void)cbPrevCab;
    NamePart(*pccab, static_cast<const FCI_STATE_*>(pv)->prefix);
    return TRUE;
}
// The source path carries the entry's index: "<temp>\N".
FNFCIGETOPENINFO(OpenInfo) {
    const FCI_STATE_& state = *static_cast<const FCI_STATE_*>(pv);
    const char* index = std::strrchr(pszName, '\\');
    const FciEntry& entry = (*state.entries)[std::strtoul(index + 1, nullptr, 10)];
    *pdate = entry.dosDate;
    *ptime = entry.dosTime;
    *pattribs = entry.attributes;
    return Open(const_cast<char*>(pszName), _O_RDONLY, 0, err, pv);
}
}  // namespace

std::string Incompressible(size_t n, unsigned seed) {
    std::string bytes;
    for (unsigned x = seed; bytes.size() < n;) bytes += static_cast<char>((x = x * 1103515245 + 12345) >> 16);
    return bytes;
}

std::vector<std::string> WriteFciSeries(const std::string& folder, const std::vector<FciEntry>& entries,
                                        unsigned partBytes, bool compress, bool reserve, const char* prefix) {
    TempFolder sources;
    FCI_STATE_ state{&entries, prefix};
    CCAB ccab = {};
    ccab.cb = partBytes;
    ccab.cbFolderThresh = 0x7FFFFFFF;
    if (reserve) {
        ccab.cbReserveCFHeader = 20;
        ccab.cbReserveCFFolder = 4;
        ccab.cbReserveCFData = 2;
    }
    ccab.setID = 4321;
    ccab.iCab = 0;
    lstrcpynA(ccab.szCabPath, folder.c_str(), sizeof ccab.szCabPath);
    NamePart(ccab, prefix);
    ERF erf = {};
    HFCI fci = FCICreate(&erf, Placed, Alloc, Free, Open, Read, Write, Close, Seek, Delete, TempFile, &ccab, &state);
    if (fci == nullptr) return {};
    bool ok = true;
    for (size_t i = 0; i < entries.size() && ok; ++i) {
        std::string source = sources / std::to_string(i);
        TempFolder::writeFile(source, entries[i].data);
        ok = FCIAddFile(fci, &source[0], const_cast<char*>(entries[i].name.c_str()), FALSE, NextCabinet, Status,
                        OpenInfo, compress ? tcompTYPE_MSZIP : tcompTYPE_NONE) != FALSE;
    }
    ok = ok && FCIFlushCabinet(fci, FALSE, NextCabinet, Status) != FALSE;
    FCIDestroy(fci);
    std::vector<std::string> names;
    for (int n = 1; ok; ++n) {
        char name[32];
        wsprintfA(name, "%s%d.cab", prefix, n);
        if (GetFileAttributesA((folder + name).c_str()) == INVALID_FILE_ATTRIBUTES) break;
        names.push_back(name);
    }
    return names;
}
