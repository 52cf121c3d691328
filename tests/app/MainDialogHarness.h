// The real main dialog (template 138) for tests: made modeless on the test
// thread from a prepared application folder, driven with window messages.
#pragma once
#include "app/Destination.h"
#include "app/MainDialog.h"
#include "app/RunLog.h"
#include "tests/support/ControlHelpers.h"
#include "tests/support/TempFolder.h"
#include <richedit.h>
#include <string>
#include <vector>

class MainDialogHarness {
public:
    // Writes kelpex.qcf (Shift_JIS text; none when qcf is null) and the
    // given archives (a small cabinet each) into a fresh application folder.
    // The window runs as a command line asks and with what a test answers
    // in the system's place.
    MainDialogHarness(const char* qcf, const std::vector<std::string>& archives,
                      const COMMAND_LINE_& line = COMMAND_LINE_(), UxRunPlatform& platform = SystemPlatform());
    ~MainDialogHarness();

    void open();
    HWND window() const { return dialog_.windowHandle; }
    const UxMainWindow& main() const { return dialog_; }
    RunLog& log() { return log_; }
    HWND control(int id) const { return GetDlgItem(window(), id); }
    std::string text(int id) const;  // rich edits too
    std::string caption() const;
    bool enabled(int id) const { return IsWindowEnabled(control(id)) != FALSE; }
    bool checked(int id) const { return SendMessageA(control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    void type(const std::string& destination);
    void click(int id);
    CHARFORMATA formatAt(int id, int position) const;
    const TempFolder& folder() const { return folder_; }

    static void writeConfiguration(const std::string& path, const char* qcf);

private:
    TempFolder folder_;
    RunLog log_;
    UxMainWindow dialog_;
};
