// Writes one cabinet through the platform's File Compression Interface
// (cabinet.dll): every file added goes into that cabinet, never into a next
// one, stored with its time and attributes, compressed with MSZIP or
// uncompressed. Paths are UTF-16; the interface, which takes narrow names
// and hands them back to our callbacks untouched, is given tokens for them.
#pragma once
#include <windows.h>
#include <fci.h>
#include <string>
#include <vector>

class UxCabinetBuilder {
public:
    // Called while a file is compressed with the bytes of it read so far;
    // false stops the cabinet (the step fails with "stopped").
    typedef bool (*Progress)(void* context, unsigned long long bytesDone);

    UxCabinetBuilder();
    virtual ~UxCabinetBuilder();
    UxCabinetBuilder(const UxCabinetBuilder&) = delete;
    UxCabinetBuilder& operator=(const UxCabinetBuilder&) = delete;

    // setId and number go into the header.
    bool create(const std::wstring& path, bool store, unsigned setId, unsigned number);
    // stored: the name's bytes in the cabinet, Shift_JIS or, marked so,
    // UTF-8. time and attributes: the source's, when the caller has them
    // already (a directory listing gives them); else they are read from the
    // file.
    bool addFile(const std::wstring& sourcePath, const std::string& stored, bool utf8, const FILETIME* time = nullptr,
                 DWORD attributes = 0);
    // Writes the cabinet out and ends the context.
    bool finish();
    void setProgress(Progress progress, void* context);
    // After addFile: true when the writer read exactly size bytes of the
    // file and it still had that size and time when it was closed (a file
    // written to while it was packed would ship other bytes).
    bool sourceAsListed(unsigned long long size, const FILETIME& written) const;

    // Why the last step failed, in English.
    const std::wstring& error() const { return error_; }

    // The path a name the interface hands back stands for (null: none).
    const std::wstring* pathOf(const char* token) const;
    // A name for path that the interface carries: false when it would not
    // fit size bytes.
    bool tokenFor(const std::wstring& path, char* token, int size);

private:
    static FNFCIGETOPENINFO(openInfo);
    static FNFCIREAD(read);
    static FNFCICLOSE(close);
    static FNFCISTATUS(status);
    static FNFCIGETNEXTCABINET(nextCabinet);
    void fail(const std::wstring& what);

    HFCI context_;
    ERF erf_;
    CCAB ccab_;
    bool store_;
    Progress progress_;
    void* progressContext_;
    unsigned long long done_;
    const FILETIME* knownTime_;
    DWORD knownAttributes_;
    bool nameUtf8_ = false;  // the name being added is stored as UTF-8
    INT_PTR source_;  // the file being added, while the writer has it open
    unsigned long long sourceRead_, sourceSize_;
    FILETIME sourceWritten_;
    std::wstring error_;
    std::vector<std::wstring> paths_;  // what the tokens stand for
    unsigned temporaries_ = 0;
};
