// How the cabinet being extracted ends: running, cancelled, failed with its
// first failure's text, or an exception kept to be thrown again once the
// platform's iteration has returned. Every part of the extractor ends the
// cabinet through this one record.
#pragma once
#include <windows.h>
#include <setupapi.h>
#include <exception>
#include <string>

class UxCabinetEnd {
public:
    // A later, graver end overrides an earlier one: a failure found after
    // Cancel is still reported, and an exception outweighs everything.
    enum State { RUNNING, CANCELLED, FAILED, THROWN };

    void begin() {
        state_ = RUNNING;
        failure_.clear();
        pending_ = nullptr;
    }
    // Ends the cabinet with text as its failure: every later file is
    // skipped (the platform takes an abort answer for a skip) and the
    // first such text is the one reported. FILEOP_SKIP.
    UINT fail(const std::wstring& text) {
        if (state_ < FAILED) failure_ = text;
        reach(FAILED);
        return FILEOP_SKIP;
    }
    // Ends the cabinet without a failure (Cancel); FILEOP_SKIP.
    UINT stop() {
        reach(CANCELLED);
        return FILEOP_SKIP;
    }
    // Cancel where only an error answer ends the iteration; ERROR_CANCELLED.
    UINT cancel() {
        reach(CANCELLED);
        return ERROR_CANCELLED;
    }
    void keep(std::exception_ptr thrown) {
        pending_ = thrown;
        reach(THROWN);
    }
    // Throws what keep kept, once.
    [[noreturn]] void rethrow() {
        std::exception_ptr pending = pending_;
        pending_ = nullptr;
        std::rethrow_exception(pending);
    }
    bool stopped() const { return state_ != RUNNING; }
    State state() const { return state_; }
    const std::wstring& failure() const { return failure_; }

private:
    void reach(State state) {
        if (state > state_) state_ = state;
    }

    State state_ = RUNNING;
    std::wstring failure_;
    std::exception_ptr pending_;
};
