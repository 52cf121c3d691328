#include "foundation/Diagnostic.h"
#include "foundation/WideText.h"
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <exception>
#include <new>

const char* const kNotEnoughMemoryText = "メモリが足りません！";

namespace {
// Copies that fail are not reported: a diagnostic must never throw while it is built.
char* CopyText(const char* text) {
    if (text == nullptr) text = "";
    size_t n = std::strlen(text);
    char* copy = new (std::nothrow) char[n + 1];
    if (copy != nullptr) std::memcpy(copy, text, n + 1);
    return copy;
}
wchar_t* CopyWide(const wchar_t* text) {
    if (text == nullptr) return nullptr;
    size_t n = std::wcslen(text);
    wchar_t* copy = new (std::nothrow) wchar_t[n + 1];
    if (copy != nullptr) std::memcpy(copy, text, (n + 1) * sizeof(wchar_t));
    return copy;
}
}  // namespace

Diagnostic::Diagnostic(const char* caption, const char* message)
    : caption_(CopyText(caption)), message_(CopyText(message)) {}

Diagnostic::Diagnostic(const char* caption, const std::wstring& message)
    : caption_(CopyText(caption)), message_(CopyText(ToShiftJis(message).c_str())),
      wideMessage_(CopyWide(message.c_str())) {}

Diagnostic::Diagnostic(const Diagnostic& other)
    : caption_(CopyText(other.caption_)), message_(CopyText(other.message_)),
      wideMessage_(CopyWide(other.wideMessage_)) {}

Diagnostic& Diagnostic::operator=(const Diagnostic& other) {
    if (this != &other) {
        setCaption(other.caption_);
        setMessage(other.message_);
        wchar_t* wide = CopyWide(other.wideMessage_);
        delete[] wideMessage_;
        wideMessage_ = wide;
    }
    return *this;
}

Diagnostic::~Diagnostic() {
    delete[] caption_;
    delete[] message_;
    delete[] wideMessage_;
}

std::wstring Diagnostic::getWideMessage() const {
    return wideMessage_ != nullptr ? std::wstring(wideMessage_) : FromShiftJis(getMessage());
}

int Diagnostic::show(HWND owner) {
    if (wideMessage_ == nullptr) return ShowFoundationBox(getMessage(), getCaption(), MB_OK, owner);
    return MessageBoxW(owner, wideMessage_, FromShiftJis(getCaption()).c_str(),
                       MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

int Diagnostic::show() { return show(nullptr); }

const char* Diagnostic::getCaption() const { return caption_ != nullptr ? caption_ : ""; }

const char* Diagnostic::getMessage() const { return message_ != nullptr ? message_ : ""; }

void Diagnostic::setCaption(const char* text) {
    if (text == nullptr) return;
    char* copy = CopyText(text);
    delete[] caption_;
    caption_ = copy;
}

void Diagnostic::setMessage(const char* text) {
    if (text == nullptr) return;
    char* copy = CopyText(text);
    delete[] message_;
    message_ = copy;
}

void Diagnostic::appendMessage(const char* text) {
    if (text == nullptr || *text == '\0') return;
    const char* current = getMessage();
    size_t a = std::strlen(current), b = std::strlen(text);
    char* joined = new (std::nothrow) char[a + b + 1];
    if (joined == nullptr) return;
    std::memcpy(joined, current, a);
    std::memcpy(joined + a, text, b + 1);
    setMessage(joined);
    delete[] joined;
}

void ThrowNotEnoughMemory(const char* caption) { throw NotEnoughMemoryException(caption, kNotEnoughMemoryText); }

void reportLastError(const char* text) {
    // Read the code before anything below can change it.
    DWORD code = GetLastError();
    const char* middle = "でエラーが発生しました\nエラーコードは、";
    size_t n = std::strlen(text != nullptr ? text : "") + std::strlen(middle) + 16;
    char* message = new (std::nothrow) char[n];
    if (message == nullptr) return;
    std::snprintf(message, n, "%s%s%luです", text != nullptr ? text : "", middle, static_cast<unsigned long>(code));
    ShowFoundationBox(message, "FCString class");
    delete[] message;
}

std::unique_ptr<Diagnostic> RunCatchingFailures(void (*body)(void* context), void* context) {
    const char* const caption = "予期しないエラー";
    try {
        body(context);
        return nullptr;
    } catch (const Diagnostic& d) {
        return std::unique_ptr<Diagnostic>(new (std::nothrow) Diagnostic(d));
    } catch (const std::bad_alloc&) {
        return std::unique_ptr<Diagnostic>(new (std::nothrow) Diagnostic("kelpex", kNotEnoughMemoryText));
    } catch (const std::exception& e) {
        std::unique_ptr<Diagnostic> d(new (std::nothrow) Diagnostic(caption, "予期しないエラーのため終了します。\n"));
        if (d) d->appendMessage(e.what());
        return d;
    } catch (...) {
        return std::unique_ptr<Diagnostic>(new (std::nothrow)
                                               Diagnostic(caption, "予期しないエラーのため終了します。"));
    }
}

int ShowFoundationBox(const char* text, const char* caption, UINT buttons, HWND owner) {
    return MessageBox932(owner, text, caption, buttons | MB_TASKMODAL | MB_SETFOREGROUND);
}
