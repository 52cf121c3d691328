// The floor kelpack build is measured against: a bare loop through the
// platform's FCI under the same Wine, with nothing of kelpack's (no name
// checks, no staging, no read-back). It walks SOURCE, opens each file,
// adds it MSZIP-compressed to OUTPUT\data01.cab, data02.cab, ... of at most
// 650 MB, and flushes. Prints the seconds; fails loudly when FCI does.
//   fci_bench.exe SOURCE OUTPUT
#include "bench/BenchClock.h"
#include <windows.h>
#include <fci.h>
#include <fcntl.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
FNFCIALLOC(Alloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFCIFREE(Free) { HeapFree(GetProcessHeap(), 0, memory); }
FNFCIOPEN(Open) {
    (void)pmode, (void)pv;
    bool write = (oflag & (_O_WRONLY | _O_RDWR)) != 0;
    HANDLE file = CreateFileA(pszFile, write ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
                              (oflag & _O_CREAT) != 0 ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) *err = static_cast<int>(GetLastError());
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(file);
}
FNFCIREAD(Read) {
    (void)err, (void)pv;
    DWORD n = 0;
    return ReadFile(reinterpret_cast<HANDLE>(hf), memory, cb, &n, nullptr) ? n : static_cast<UINT>(-1);
}
FNFCIWRITE(Write) {
    (void)err, (void)pv;
    DWORD n = 0;
    return WriteFile(reinterpret_cast<HANDLE>(hf), memory, cb, &n, nullptr) ? n : static_cast<UINT>(-1);
}
FNFCICLOSE(Close) {
    (void)err, (void)pv;
    return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1;
}
FNFCISEEK(Seek) {
    (void)err, (void)pv;
    return static_cast<long>(SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, seektype));
}
FNFCIDELETE(Delete) {
    (void)err, (void)pv;
    return DeleteFileA(pszFile) ? 0 : -1;
}
FNFCIFILEPLACED(Placed) {
    (void)pccab, (void)pszFile, (void)cbFile, (void)fContinuation, (void)pv;
    return 0;
}
FNFCIGETTEMPFILE(TempFile) {
    (void)pv;
    char folder[MAX_PATH];
    if (GetTempPathA(MAX_PATH, folder) == 0 || !GetTempFileNameA(folder, "fb", 0, pszTempName)) return FALSE;
    DeleteFileA(pszTempName);
    return static_cast<int>(std::strlen(pszTempName)) < cbTempName;
}
FNFCIGETNEXTCABINET(NextCabinet) {
    (void)cbPrevCab, (void)pv;
    std::snprintf(pccab->szCab, sizeof pccab->szCab, "data%02d.cab", pccab->iCab);
    return TRUE;
}
FNFCISTATUS(Status) {
    (void)typeStatus, (void)cb1, (void)cb2, (void)pv;
    return 0;
}
FNFCIGETOPENINFO(OpenInfo) {
    (void)pv;
    HANDLE file = CreateFileA(pszName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    BY_HANDLE_FILE_INFORMATION info;
    FILETIME local;
    GetFileInformationByHandle(file, &info);
    FileTimeToLocalFileTime(&info.ftLastWriteTime, &local);
    FileTimeToDosDateTime(&local, pdate, ptime);
    *pattribs = static_cast<USHORT>(info.dwFileAttributes & 0x27);
    return reinterpret_cast<INT_PTR>(file);
}

// Every file below folder, by its path relative to root.
void Walk(const std::string& root, const std::string& relative, std::vector<std::string>& files) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((root + relative + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) Walk(root, relative + name + "\\", files);
        else files.push_back(relative + name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    std::string source = std::string(argv[1]) + "\\", output = std::string(argv[2]) + "\\";
    CreateDirectoryA(output.c_str(), nullptr);
    double start = Now();
    std::vector<std::string> files;
    Walk(source, "", files);
    CCAB cab = {};
    cab.cb = 650u * 1024 * 1024;
    cab.cbFolderThresh = cab.cb;
    cab.iCab = 1;
    std::snprintf(cab.szCab, sizeof cab.szCab, "data%02d.cab", cab.iCab);
    std::snprintf(cab.szCabPath, sizeof cab.szCabPath, "%s", output.c_str());
    ERF erf = {};
    HFCI fci = FCICreate(&erf, Placed, Alloc, Free, Open, Read, Write, Close, Seek, Delete, TempFile, &cab, nullptr);
    if (fci == nullptr) {
        std::printf("fci_bench: FCICreate failed (%d)\n", erf.erfOper);
        return 1;
    }
    for (std::string& file : files) {
        std::string path = source + file;
        if (!FCIAddFile(fci, &path[0], &file[0], FALSE, NextCabinet, Status, OpenInfo, tcompTYPE_MSZIP)) {
            std::printf("fci_bench: FCIAddFile failed on %s (%d)\n", file.c_str(), erf.erfOper);
            return 1;
        }
    }
    if (!FCIFlushCabinet(fci, FALSE, NextCabinet, Status)) {
        std::printf("fci_bench: FCIFlushCabinet failed (%d)\n", erf.erfOper);
        return 1;
    }
    FCIDestroy(fci);
    std::printf("fci %.3f s, %zu files\n", Now() - start, files.size());
    return 0;
}
