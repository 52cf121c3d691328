// Times what long configured texts cost the main window: the opening text
// (mes0) of growing lengths as the dialog starts, and an outcome text
// (mes1) with colour markup as a Run would show it, and prints the seconds
// for each length and the ratio to the shortest: a ratio that grows with
// the square of the length shows a pass that is not linear.
//   text_bench.exe WORK_FOLDER
#include "app/MainDialog.h"
#include "foundation/WideText.h"
#include "app/Destination.h"
#include "app/RunLog.h"
#include "bench/BenchClock.h"
#include "foundation/FCHandle.h"
#include "ui/Markup.h"
#include <commctrl.h>
#include <cstdio>
#include <string>

namespace {
bool WriteFile(const std::string& path, const std::string& bytes) {
    FCHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD done = 0;
    return file.valid() && ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
           done == bytes.size();
}

// The shapes of text timed: Japanese and ASCII with a line break every 40
// characters, the same in one line, and Japanese alone in one line.
struct SHAPE_ {
    const char* name;
    bool breaks;
    bool japaneseOnly;
};
const SHAPE_ kShapes[] = {
    {"mixed, lines of 40", true, false}, {"mixed, one line", false, false}, {"Japanese, one line", false, true}};

// A text of about `characters` characters of a shape; marked, a coloured
// word every 200.
std::string Text(size_t characters, const SHAPE_& shape, bool marked) {
    std::string text;
    for (size_t i = 0; i < characters; ++i) {
        if (marked && i % 200 == 0) text += "【0xC00000】注意【-1】";
        if (shape.breaks && i % 40 == 39) text += "\\n";
        text += (shape.japaneseOnly || i % 3 == 0) ? "表" : "a";
    }
    return text;
}

// The main dialog opened on a configuration, for as long as it lives.
class MainWindow {
public:
    explicit MainWindow(const std::string& folder, const std::string& qcf)
        : dialog_(FromShiftJis(folder.c_str()), COMMAND_LINE_(), log_) {
        if (!WriteFile(folder + "kelpex.qcf", qcf)) return;
        window =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, UxMainWindow::procedure,
                               reinterpret_cast<LPARAM>(static_cast<FCDialog*>(&dialog_)));
        if (window == nullptr) return;
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    }
    virtual ~MainWindow() {
        if (window != nullptr) DestroyWindow(window);
    }
    HWND window = nullptr;

private:
    RunLog log_;
    UxMainWindow dialog_;
};

// Seconds from creating the main dialog to its being shown, with mes0 set.
double OpenWith(const std::string& folder, const std::string& mes0) {
    double start = Now();
    MainWindow main(folder, "fname=data.cab\nmes0=" + mes0 + "\n");
    return main.window != nullptr ? Now() - start : -1;
}

// Seconds to show a marked-up text in the main dialog's message area.
double ShowMarkedUp(const std::string& folder, const std::string& text) {
    MainWindow main(folder, "fname=data.cab\n");
    if (main.window == nullptr) return -1;
    UxMarkedText expanded = ExpandMessageText(FCString(text.c_str()), L"C:\\dest\\");
    double start = Now();
    ShowMarked(main.window, expanded);
    UpdateWindow(main.window);
    return Now() - start;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string folder = argv[1];
    if (folder.back() != '\\') folder += '\\';
    INITCOMMONCONTROLSEX controls = {sizeof controls, 0x2FF};
    InitCommonControlsEx(&controls);
    LoadLibraryA("RICHED32.DLL");
    CreateDirectoryA(folder.c_str(), nullptr);
    // A one-file cabinet is all the start-up needs beside the configuration.
    static const unsigned char kEmptyCabinet[] = {'M', 'S', 'C', 'F', 0, 0, 0, 0, 44, 0, 0, 0, 0, 0, 0, 0, 36, 0,
                                                  0,   0,   0,   0,   0, 0, 3, 1, 0,  0, 0, 0, 0, 0, 0, 0, 0,  0};
    if (!WriteFile(folder + "data.cab",
                   std::string(reinterpret_cast<const char*>(kEmptyCabinet), 36) + std::string(8, '\0')))
        return 1;
    const size_t lengths[] = {2500, 10000, 20000, 100000};
    for (const SHAPE_& shape : kShapes) {
        std::printf("=== %s\n", shape.name);
        double firstOpen = 0, firstShow = 0;
        for (size_t length : lengths) {
            double open = OpenWith(folder, Text(length, shape, false));
            double shown = ShowMarkedUp(folder, Text(length, shape, true));
            if (open < 0 || shown < 0) {
                std::printf("text_bench: the dialog could not be made for %u characters\n",
                            static_cast<unsigned>(length));
                return 1;
            }
            if (firstOpen == 0) firstOpen = open, firstShow = shown;
            std::printf("%6u characters: opening text %.3f s (x%.1f), marked-up outcome %.3f s (x%.1f)\n",
                        static_cast<unsigned>(length), open, open / firstOpen, shown, shown / firstShow);
        }
    }
    return 0;
}
