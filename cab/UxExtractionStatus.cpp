#include "cab/UxExtractionStatus.h"
#include "foundation/FCLocked.h"
#include "fs/FileInUse.h"

UxExtractionStatus::UxExtractionStatus()
    : cancel_(false), cancelEvent_(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      answered_(CreateEventW(nullptr, FALSE, FALSE, nullptr)),
      askedEvent_(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {
    InitializeCriticalSection(&lock_);
}

void UxExtractionStatus::requestCancel() {
    cancel_.store(true);
    SetEvent(cancelEvent_.get());
}

UxExtractionStatus::Answer UxExtractionStatus::ask(const QUESTION_& question) {
    // An answer given to a question already ended by Cancel is not this one's.
    ResetEvent(answered_.get());
    {
        QUESTION_ copy(question);
        FCLocked locked(lock_);
        question_.path.swap(copy.path);
        question_.holders.swap(copy.holders);
        question_.refusal = copy.refusal;
        asked_ = true;
    }
    SetEvent(askedEvent_.get());
    HANDLE ends[2] = {answered_.get(), cancelEvent_.get()};
    DWORD woken = WaitForMultipleObjects(2, ends, FALSE, INFINITE);
    FCLocked locked(lock_);
    asked_ = false;
    // Cancel, or a wait the system refused: nobody answered, so nothing is
    // written on a guess.
    return woken == WAIT_OBJECT_0 ? answer_ : ANSWER_ABORT;
}

bool UxExtractionStatus::takeQuestion(QUESTION_& question) {
    FCLocked locked(lock_);
    if (!asked_) return false;
    asked_ = false;
    question = question_;
    return true;
}

void UxExtractionStatus::answer(Answer answer) {
    {
        FCLocked locked(lock_);
        answer_ = answer;
    }
    SetEvent(answered_.get());
}

std::vector<std::wstring> UxExtractionStatus::HolderQuery::holders(const std::wstring& path) {
    return FileHolders(path);
}

std::vector<std::wstring> UxExtractionStatus::holders(const std::wstring& path) const {
    return holders_ != nullptr ? holders_->holders(path) : FileHolders(path);
}

DWORD UxExtractionStatus::waitLeft() const {
    if (!unattended_) return INFINITE;
    DWORD waited = waited_.load();
    return waited < UNATTENDED_BUDGET_MS ? UNATTENDED_BUDGET_MS - waited : 0;
}

UxExtractionStatus::~UxExtractionStatus() { DeleteCriticalSection(&lock_); }

void UxExtractionStatus::beginFile(const std::wstring& name, const std::wstring& writingPath) {
    // The texts are made before the lock is taken, which is held only for
    // the exchange.
    std::wstring text(name), path(writingPath);
    FCLocked locked(lock_);
    shared_.statusText.swap(text);
    shared_.writingPath.swap(path);
}

void UxExtractionStatus::endFile(DWORD bytes) {
    FCLocked locked(lock_);
    shared_.writingPath.clear();
    shared_.doneBytes += bytes;
}

void UxExtractionStatus::endCabinet(const std::wstring& cabinetName) {
    std::wstring text(cabinetName);
    FCLocked locked(lock_);
    shared_.statusText.swap(text);
    shared_.writingPath.clear();
}

UxExtractionStatus::SNAPSHOT_ UxExtractionStatus::snapshot() const {
    SNAPSHOT_ copy;
    {
        FCLocked locked(lock_);
        copy.statusText = shared_.statusText;
        copy.writingPath = shared_.writingPath;
        copy.doneBytes = shared_.doneBytes;
    }
    return copy;
}
