// What an extraction shows, handed from the thread that extracts to the
// user-interface thread that shows it: one small record under a lock, the
// Cancel flag, and the one question the extraction may put to the user (a
// file another program holds). The extracting thread writes the record and
// asks; the user-interface thread takes copies of it, answers and sets the
// flag.
#pragma once
#include "foundation/FCHandle.h"
#include "ui/UxProgressDialog.h"
#include <windows.h>
#include <atomic>
#include <string>
#include <vector>

class UxExtractionStatus : public UxCancellable {
public:
    typedef UxProgressDisplay::SNAPSHOT_ SNAPSHOT_;
    // A file another program holds, or one the system refuses to replace
    // for a reason no wait mends, as the user is asked about it.
    struct QUESTION_ {
        std::wstring path;  // below the destination
        std::vector<std::wstring> holders;  // the programs holding it, where known
        DWORD refusal = 0;  // the system's error where no wait mends it; 0: held
    };
    // How long the waits for held files of a Run with nobody to ask may
    // take in all; after that a held file is skipped at once.
    enum { UNATTENDED_BUDGET_MS = 30000 };
    enum Answer { ANSWER_RETRY, ANSWER_SKIP, ANSWER_ABORT };

    UxExtractionStatus();
    ~UxExtractionStatus() override;
    UxExtractionStatus(const UxExtractionStatus&) = delete;
    UxExtractionStatus& operator=(const UxExtractionStatus&) = delete;

    // The extracting thread's side.
    void beginFile(const std::wstring& name, const std::wstring& writingPath);
    void endFile(DWORD bytes);
    void endCabinet(const std::wstring& cabinetName);
    // Puts the question and waits for the answer; Cancel answers ABORT.
    Answer ask(const QUESTION_& question);

    // The user-interface thread's side.
    SNAPSHOT_ snapshot() const;
    void requestCancel() override;
    // A question waiting for an answer, taken once.
    bool takeQuestion(QUESTION_& question);
    void answer(Answer answer);
    // Set before the extraction starts: nobody is there to be asked.
    void setUnattended(bool unattended) { unattended_ = unattended; }

    // Read by the extracting thread at every notification.
    bool cancelRequested() const { return cancel_.load(); }
    bool unattended() const { return unattended_; }
    // Unattended, what is left of the Run's time for waiting on held
    // files, taken by every wait of either thread (spend); attended, no
    // bound.
    DWORD waitLeft() const;
    void spend(DWORD ms) { waited_.fetch_add(ms); }
    // Set once Cancel is asked for: a wait ends at once.
    HANDLE cancelEvent() const { return cancelEvent_.get(); }
    // Set when a question waits to be taken: the user-interface thread
    // wakes for it at once.
    HANDLE questionEvent() const { return askedEvent_.get(); }

    // Who holds a file, as the Run asks the system (set before the
    // extraction starts; asked on the extracting thread).
    class HolderQuery {
    public:
        virtual ~HolderQuery() = default;
        virtual std::vector<std::wstring> holders(const std::wstring& path);
    };
    void setHolderQuery(HolderQuery* query) { holders_ = query; }
    std::vector<std::wstring> holders(const std::wstring& path) const;

private:
    mutable CRITICAL_SECTION lock_;
    SNAPSHOT_ shared_;  // under lock_
    QUESTION_ question_;  // under lock_
    bool asked_ = false;  // under lock_: question_ waits to be taken
    Answer answer_ = ANSWER_ABORT;  // under lock_
    std::atomic<bool> cancel_;
    std::atomic<DWORD> waited_{0};  // by the waits for held files, both threads
    bool unattended_ = false;
    FCHandle cancelEvent_;  // manual reset
    FCHandle answered_;  // auto reset: the answer is there
    FCHandle askedEvent_;  // auto reset: a question is there
    HolderQuery* holders_ = nullptr;  // not owned; null: the system's
};
