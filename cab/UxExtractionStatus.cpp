#include "cab/UxExtractionStatus.h"

namespace {
class Locked {
public:
    explicit Locked(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~Locked() { LeaveCriticalSection(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    CRITICAL_SECTION& lock_;
};
}  // namespace

UxExtractionStatus::UxExtractionStatus() : cancel_(false) { InitializeCriticalSection(&lock_); }

UxExtractionStatus::~UxExtractionStatus() { DeleteCriticalSection(&lock_); }

void UxExtractionStatus::beginFile(const char* name, const std::wstring& writingPath) {
    // The texts are made before the lock is taken, which is held only for
    // the exchange.
    FCString text(name);
    std::wstring path(writingPath);
    Locked locked(lock_);
    shared_.statusText.assignFrom(text);
    shared_.writingPath.swap(path);
}

void UxExtractionStatus::endFile(DWORD bytes) {
    Locked locked(lock_);
    shared_.writingPath.clear();
    shared_.doneBytes += bytes;
}

void UxExtractionStatus::endCabinet(const char* cabinetName) {
    FCString text(cabinetName);
    Locked locked(lock_);
    shared_.statusText.assignFrom(text);
    shared_.writingPath.clear();
}

UxExtractionStatus::SNAPSHOT_ UxExtractionStatus::snapshot() const {
    SNAPSHOT_ copy;
    {
        Locked locked(lock_);
        copy.statusText = shared_.statusText;
        copy.writingPath = shared_.writingPath;
        copy.doneBytes = shared_.doneBytes;
    }
    return copy;
}
