// The Run's wait for a file another program holds, and its question.
#include "cab/UxInUse.h"

UxInUseWait::Outcome UxInUseWait::retryFor(DWORD (*attempt)(void*), void* object, const std::wstring& path, DWORD ms,
                                           DWORD& error) {
    HANDLE cancel = status_ != nullptr ? status_->cancelEvent() : nullptr;
    // Nobody to ask: the Run's waits are bounded in all, not only each.
    DWORD left = status_ != nullptr ? status_->waitLeft() : INFINITE;
    if (left < ms) ms = left;
    DWORD start = GetTickCount();
    HeldOutcome held = RetryWhileHeldWith(attempt, object, path, ms, cancel, error);
    if (status_ != nullptr && status_->unattended()) status_->spend(GetTickCount() - start);
    switch (held) {
    case HELD_DONE: return DONE;
    case HELD_FAILED: return FAILED;
    case HELD_CANCELLED: return CANCELLED;
    case HELD_STILL: break;
    }
    return SKIPPED;
}

UxInUseWait::Outcome UxInUseWait::askRefused(const std::wstring& name, DWORD error) {
    holders_.clear();
    if (status_->unattended()) return SKIPPED;
    UxExtractionStatus::QUESTION_ question{name, {}, error};
    switch (status_->ask(question)) {
    case UxExtractionStatus::ANSWER_SKIP: return SKIPPED;
    case UxExtractionStatus::ANSWER_ABORT: return CANCELLED;
    case UxExtractionStatus::ANSWER_RETRY: break;
    }
    return FAILED;
}

UxInUseWait::Outcome UxInUseWait::runWith(DWORD (*attempt)(void*), void* object, const std::wstring& path,
                                          const std::wstring& name, bool ask, DWORD& error) {
    holders_.clear();
    error = attempt(object);
    if (error == 0) return DONE;
    // A scanner lets go within a second: nobody hears of it.
    Outcome outcome = retryFor(attempt, object, path, kSilentWaitMs, error);
    for (;;) {
        if (outcome != SKIPPED) return outcome;
        holders_ = status_ != nullptr ? status_->holders(path) : FileHolders(path);
        if (status_ == nullptr || !ask) return FAILED;
        if (status_->unattended()) {
            outcome = retryFor(attempt, object, path, UNATTENDED_MS, error);
            if (outcome == SKIPPED) holders_ = status_->holders(path);
            return outcome;
        }
        switch (status_->ask(UxExtractionStatus::QUESTION_{name, holders_})) {
        case UxExtractionStatus::ANSWER_SKIP: return SKIPPED;
        case UxExtractionStatus::ANSWER_ABORT: return CANCELLED;
        case UxExtractionStatus::ANSWER_RETRY: break;
        }
        error = attempt(object);
        if (error == 0) return DONE;
        // Asked again at once when it is still held: the user just let go
        // of what they could.
        outcome = HeldByAnother(error, path) ? SKIPPED : FAILED;
    }
}
