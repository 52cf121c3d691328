// Who holds a file, and the silent wait for it.
#include "fs/FileInUse.h"
#include "foundation/FCHandle.h"
#include "fs/PathCompare.h"
#include <restartmanager.h>

namespace {
// A function of a library loaded at run time (void (*)() is the one type
// any function's address may pass through).
template <class Function>
Function Procedure(HMODULE module, const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// The Restart Manager, loaded once where the system has it (Windows Vista
// and later; Wine's names nobody).
struct RESTART_MANAGER_ {
    decltype(&RmStartSession) start = nullptr;
    decltype(&RmRegisterResources) registerFiles = nullptr;
    decltype(&RmGetList) list = nullptr;
    decltype(&RmEndSession) end = nullptr;
    RESTART_MANAGER_() {
        HMODULE module = LoadLibraryW(L"rstrtmgr.dll");
        if (module == nullptr) return;
        start = Procedure<decltype(start)>(module, "RmStartSession");
        registerFiles = Procedure<decltype(registerFiles)>(module, "RmRegisterResources");
        list = Procedure<decltype(list)>(module, "RmGetList");
        end = Procedure<decltype(end)>(module, "RmEndSession");
    }
    bool usable() const { return start != nullptr && registerFiles != nullptr && list != nullptr && end != nullptr; }
};

// A program by its executable's name, where it gives none of its own.
std::wstring ExecutableName(DWORD pid) {
    FCHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    // The call fails on a buffer too small, without saying how large.
    for (DWORD size = MAX_PATH; process.valid() && size <= 32768; size *= 4) {
        std::vector<wchar_t> image(size);
        DWORD n = size;
        if (!QueryFullProcessImageNameW(process.get(), 0, image.data(), &n)) continue;
        std::wstring path(image.data(), n);
        return path.substr(path.rfind(L'\\') + 1);
    }
    return std::wstring();
}

std::vector<std::wstring> AskRestartManager(const std::wstring& path) {
    static const RESTART_MANAGER_ manager;
    std::vector<std::wstring> names;
    DWORD session = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = L"";  // the size the call fixes
    if (!manager.usable() || manager.start(&session, 0, key) != ERROR_SUCCESS) return names;
    LPCWSTR files[1] = {path.c_str()};
    std::vector<RM_PROCESS_INFO> found(4);
    UINT needed = 0, count = static_cast<UINT>(found.size());
    DWORD reasons = 0;
    if (manager.registerFiles(session, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS) {
        DWORD listed = manager.list(session, &needed, &count, found.data(), &reasons);
        if (listed == ERROR_MORE_DATA) {
            found.resize(needed);
            count = needed;
            listed = manager.list(session, &needed, &count, found.data(), &reasons);
        }
        for (UINT i = 0; listed == ERROR_SUCCESS && i < count; ++i) {
            std::wstring name = found[i].strAppName;
            if (name.empty()) name = ExecutableName(found[i].Process.dwProcessId);
            if (!name.empty()) names.push_back(name);
        }
    }
    manager.end(session);
    return names;
}
}  // namespace

bool HeldByAnother(DWORD code, const std::wstring& path) {
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) return true;
    if (code != ERROR_ACCESS_DENIED) return false;
    DWORD attributes = GetFileAttributesW(LongPathForm(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

std::vector<std::wstring> FileHolders(const std::wstring& path) { return AskRestartManager(LongPathForm(path)); }

HeldOutcome RetryWhileHeldWith(DWORD (*attempt)(void* object), void* object, const std::wstring& path, DWORD ms,
                               HANDLE cancel, DWORD& error) {
    DWORD start = GetTickCount(), pause = 10;
    for (;;) {
        if (!HeldByAnother(error, path)) return HELD_FAILED;
        DWORD spent = GetTickCount() - start;
        if (spent >= ms) return HELD_STILL;
        DWORD wait = pause < ms - spent ? pause : ms - spent;
        if (cancel != nullptr ? WaitForSingleObject(cancel, wait) == WAIT_OBJECT_0 : (Sleep(wait), false))
            return HELD_CANCELLED;
        error = attempt(object);
        if (error == 0) return HELD_DONE;
        pause = pause < 200 ? pause * 2 : 200;
    }
}

bool RemoveOwnFile(const std::wstring& given) {
    std::wstring path = LongPathForm(given);
    auto remove = [&]() -> DWORD {
        if (DeleteFileW(path.c_str())) return 0;
        DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return 0;
        if (code != ERROR_ACCESS_DENIED || !SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL)) return code;
        return DeleteFileW(path.c_str()) ? 0 : GetLastError();
    };
    DWORD error = remove();
    return error == 0 || RetryWhileHeld(remove, given, kSilentWaitMs, nullptr, error) == HELD_DONE;
}
