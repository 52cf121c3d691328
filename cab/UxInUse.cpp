// The Run's wait for a file another program holds, and its question.
#include "cab/UxInUse.h"

UxInUseWait::Outcome UxInUseWait::retryFor(DWORD (*attempt)(void*), void* object, const std::wstring& path, DWORD ms,
                                           DWORD& error) {
    HANDLE cancel = status_ != nullptr ? status_->cancelEvent() : nullptr;
    switch (RetryWhileHeldWith(attempt, object, path, ms, cancel, error)) {
    case HELD_DONE: return DONE;
    case HELD_FAILED: return FAILED;
    case HELD_CANCELLED: return CANCELLED;
    case HELD_STILL: break;
    }
    return SKIPPED;
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
        holders_ = FileHolders(path);
        if (status_ == nullptr || !ask) return FAILED;
        if (status_->unattended()) {
            outcome = retryFor(attempt, object, path, UNATTENDED_MS, error);
            if (outcome == SKIPPED) holders_ = FileHolders(path);
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
