// The modal message dialogs (templates 127: OK, 128: Yes/No, 129: Retry /
// Skip / Abort) that show a marked-up text with clickable links.
#pragma once
#include "foundation/FCString.h"
#include "res/MessageDialogIds.h"
#include "ui/FCDialog.h"
#include "ui/FCRect.h"
#include "ui/Markup.h"
#include <string>
#include <windows.h>

class UxPairString : public FCString {
public:
    FCString second;
};

class UxMessageDialog : public FCDialog {
public:
    enum : unsigned { OPTION_MARKED_UP = 0x1, OPTION_CARET_MOVED = 0x1000000 };
    enum { LINK_BUFFER = 1024 };

    class DIS_INFO_ {
    public:
        DIS_INFO_();
        virtual ~DIS_INFO_() {}

        HWND owner;
        FCString reservedText;
        FCString title;
        FCString text;
        FCString unusedTexts[3];
        FCRect rectangle;
        int reserved1;
        int results[4];  // for IDOK, IDCANCEL, IDYES, IDNO
        unsigned options;
        int reserved2;
        UxPairString pairs[8];
        FCString openBracket;
        FCString closeBracket;
        FCString moreTexts[3];
        FCString captions[4];  // buttons 1, 2, 6, 7; empty keeps the template's
    };

    explicit UxMessageDialog(int templateId) : FCDialog(templateId) {}
    ~UxMessageDialog() override {}

    DIS_INFO_ info;
    // The message when it names paths (info.text is then empty).
    UxMarkedText marked;
    // Once set, the dialog ends as if Escape were pressed (the Run it asks
    // about was cancelled elsewhere); null: never. Waited on by the system's
    // thread pool, which posts the end to the window.
    HANDLE endEvent = nullptr;
    HANDLE endWait = nullptr;  // the registered wait, while the window lives
};

int ShowMessageDialog(HWND owner, int templateId, const char* text, const char* title, bool markedUp,
                      const char* openBracket = nullptr, const char* closeBracket = nullptr,
                      const char* yesCaption = nullptr, const char* noCaption = nullptr);
int AskYesNo(HWND owner, const char* text, const char* title, bool markedUp, const char* openBracket = nullptr,
             const char* closeBracket = nullptr, const char* yesCaption = nullptr, const char* noCaption = nullptr);
// The same with a text that names paths.
int AskYesNo(HWND owner, const UxMarkedText& text, const char* title, bool markedUp);
// The question about a file another program holds (template 129):
// IDRETRY, IDIGNORE (skip) or IDABORT; Escape, the close box and endEvent
// answer IDABORT, Enter IDRETRY.
int AskRetrySkipAbort(HWND owner, const UxMarkedText& text, const char* title, HANDLE endEvent);
INT_PTR CALLBACK MessageDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void OpenLink(const std::wstring& link);
