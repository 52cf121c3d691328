#include "tests/app/MainDialogHarness.h"
#include "foundation/WideText.h"
#include "tests/cab/CabinetWriter.h"
#include <commctrl.h>
#include <gtest/gtest.h>

namespace {
class AppEnvironment : public testing::Environment {
public:
    void SetUp() override {
        INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
        InitCommonControlsEx(&controls);
        richEdit_ = LoadLibraryA("RICHED32.DLL");
    }
    void TearDown() override { FreeLibrary(richEdit_); }

private:
    HMODULE richEdit_ = nullptr;
};
testing::Environment* const g_app = testing::AddGlobalTestEnvironment(new AppEnvironment);
}  // namespace

void MainDialogHarness::writeConfiguration(const std::string& path, const char* qcf) {
    TempFolder::writeFile(path, qcf);
}

MainDialogHarness::MainDialogHarness(const char* qcf, const std::vector<std::string>& archives,
                                     const COMMAND_LINE_& line, UxRunPlatform& platform)
    : dialog_(folder_.widePath(), line, log_, platform) {
    if (qcf != nullptr) writeConfiguration(folder_ / "kelpex.qcf", qcf);
    for (const auto& name : archives) WriteCabinet(folder_ / name, {{"x.txt", "x"}});
}

MainDialogHarness::~MainDialogHarness() {
    if (dialog_.windowHandle != nullptr) DestroyWindow(dialog_.windowHandle);
}

void MainDialogHarness::open() {
    // A Unicode window, as the program makes it.
    HWND window =
        CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, UxMainWindow::procedure,
                           reinterpret_cast<LPARAM>(static_cast<FCDialog*>(&dialog_)));
    ASSERT_NE(nullptr, window);
    ShowWindow(window, SW_SHOW);
}

std::string MainDialogHarness::text(int id) const {
    char name[32] = "";
    GetClassNameA(control(id), name, sizeof name);
    if (lstrcmpiA(name, "RichEdit20A") == 0) return RichEditText(control(id));
    return WindowText932(control(id));
}

std::string MainDialogHarness::caption() const { return WindowText932(window()); }

void MainDialogHarness::type(const std::string& destination) {
    SetWindowText932(control(IDC_MAIN_DESTINATION_EDIT), destination.c_str());
}

void MainDialogHarness::click(int id) {
    // Wine's BM_CLICK clicks a disabled button too; a user cannot.
    if (IsWindowEnabled(control(id))) SendMessageA(control(id), BM_CLICK, 0, 0);
}

CHARFORMATA MainDialogHarness::formatAt(int id, int position) const { return RichEditFormatAt(control(id), position); }
