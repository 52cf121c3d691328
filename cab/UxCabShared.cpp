// The extractor's shared texts and path helpers.
#include "cab/UxCabShared.h"
#include "cab/UxInUse.h"
#include "fs/PathCompare.h"
#include "foundation/Mbcs.h"
#include "foundation/WideText.h"
#include "foundation/SystemErrorText.h"
#include "fs/EntryName.h"
#include "fs/FCFile.h"
#include "fs/FolderWalk.h"

void AppendBracketed(FCString& text, const char* head, const char* what) {
    text.assignFrom(head);
    text.append(" [");
    text.append(what);
    text.append("]\n");
}

void SystemReason(DWORD code, FCString& reason) {
    if (SystemErrorText(code, reason)) {
        reason.append("\r\n");  // the system's text ends its own line
    } else {
        // No system text: the code alone still tells what failed.
        reason.assignFrom("エラーコードの説明がありません\n");
    }
}

void AppendSystemReason(FCString& text, DWORD code) {
    FCString reason;
    SystemReason(code, reason);
    text.appendNumber(code);
    text.append(":");
    text.append(reason);
}

ULONGLONG FreeBytesFor(const std::wstring& folder) {
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExW(folder.c_str(), &available, &total, &free)) return 0;
    return available.QuadPart;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }
std::wstring NameOf(const std::wstring& path) { return path.substr(path.rfind(L'\\') + 1); }

bool RemoveFile(const std::wstring& given) {
    std::wstring path = LongPathForm(given);
    auto remove = [&]() -> DWORD {
        if (DeleteFileW(path.c_str())) return 0;
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return 0;
        if (code != ERROR_ACCESS_DENIED || !SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) return code;
        return DeleteFileW(path.c_str()) ? 0 : GetLastError();
    };
    UxInUseWait silent(nullptr);
    DWORD error = 0;
    return silent.run(remove, given, std::wstring(), false, error) == UxInUseWait::DONE;
}

bool IsFolder(const std::wstring& path) {
    DWORD attributes = 0;
    return pathExists(path, &attributes) && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PlatformPath(const std::wstring& path, std::string& out) {
    return SystemCodePagePath(path.c_str(), out) || ShortSystemPath(path.c_str(), out);
}

void AppendStructureFault(FCString& text, const FCString& cabinet, const UxCabinetHeader& header,
                          UxCabinetHeader::Fault fault, size_t entry) {
    AppendBracketed(text, "キャビネットファイルが壊れています", cabinet.text());
    text.append(UxCabinetHeader::faultShown(fault));
    if (entry < header.files.size()) {
        FCString name;
        EntryNameInCodePage(header.files[entry].name.c_str(), header.files[entry].attributes, name);
        text.append(" [");
        text.append(name);
        text.append("]");
    }
    text.append("\n");
}
