// Diagnostic and the foundation's exceptions, each carrying a caption and a message.
#pragma once
#include <windows.h>
#include <memory>
#include <string>

class Diagnostic {
public:
    Diagnostic(const char* caption, const char* message);
    // A message that names a path: UTF-16, as Windows gave it (getMessage
    // gives what Shift_JIS holds of it).
    Diagnostic(const char* caption, const std::wstring& message);
    Diagnostic(const Diagnostic& other);
    Diagnostic& operator=(const Diagnostic& other);
    virtual ~Diagnostic();

    virtual int show(HWND owner);
    virtual int show();
    virtual const char* getCaption() const;
    virtual void setCaption(const char* text);
    virtual const char* getMessage() const;
    virtual void setMessage(const char* text);
    virtual void appendMessage(const char* text);
    // The message as shown, in UTF-16.
    std::wstring getWideMessage() const;

private:
    char* caption_;
    char* message_;
    wchar_t* wideMessage_ = nullptr;  // instead of message_ when set
};

class NotEnoughMemoryException : public Diagnostic {
public:
    NotEnoughMemoryException(const char* caption, const char* message) : Diagnostic(caption, message) {}
    ~NotEnoughMemoryException() override {}
};

class CannotOpenException : public Diagnostic {
public:
    CannotOpenException(const char* caption, const char* message) : Diagnostic(caption, message) {}
    CannotOpenException(const char* caption, const std::wstring& message) : Diagnostic(caption, message) {}
    ~CannotOpenException() override {}
};

class CannotReadException : public Diagnostic {
public:
    CannotReadException(const char* caption, const char* message) : Diagnostic(caption, message) {}
    CannotReadException(const char* caption, const std::wstring& message) : Diagnostic(caption, message) {}
    ~CannotReadException() override {}
};

class CannotWriteException : public Diagnostic {
public:
    CannotWriteException(const char* caption, const char* message) : Diagnostic(caption, message) {}
    CannotWriteException(const char* caption, const std::wstring& message) : Diagnostic(caption, message) {}
    ~CannotWriteException() override {}
};

// The one text every out-of-memory report carries.
extern const char* const kNotEnoughMemoryText;

// Throws NotEnoughMemoryException(caption, "メモリが足りません！").
[[noreturn]] void ThrowNotEnoughMemory(const char* caption);

// Runs body and gives back what it threw as the Diagnostic to show, or null
// when it returned: a Diagnostic as it is, exhausted memory with the memory
// text, anything else with a generic caption. Nothing escapes, so a process
// always ends with its own message and exit code.
std::unique_ptr<Diagnostic> RunCatchingFailures(void (*body)(void* context), void* context = nullptr);

// The foundation's message box: task-modal and brought to the foreground,
// with the owner given (none by default) and the buttons asked for.
int ShowFoundationBox(const char* text, const char* caption, UINT buttons = MB_OK, HWND owner = nullptr);

// Reports the calling thread's last error in a "FCString class" message box.
void reportLastError(const char* text);
