// The destination that Run really uses: the typed folder made absolute,
// plus the ticked sub-folders; and its coloured form for the destination line.
// Both are made from the field's UTF-16 and the sub-folders' real names, so a
// folder Shift_JIS cannot hold is used and shown as it is.
#include "app/Destination.h"
#include "app/RunRequest.h"
#include "foundation/WideText.h"
#include "fs/FCPathName.h"
#include "fs/FolderWalk.h"
#include "app/RunLog.h"
#include "fs/PathCompare.h"
#include "ui/Markup.h"
#include <shlobj.h>

const char* const kUncWarning = "UNC表記(\\\\で始まる表記)のフォルダを指定することはできません。";

namespace {
// Appends the typed folder, shown as written, with the part behind the
// drive of the first system folder found in it in dark red: the Windows
// folder, then program files, then common files.
void AppendTypedFolder(UxMarkedText& out, const std::wstring& typed) {
    for (int code : {static_cast<int>(FCPathName::PATH_WINDOWS), CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON}) {
        std::wstring system = SystemFolder(code);
        size_t at = system.empty() ? std::wstring::npos : typed.find(system);
        size_t drive = system.find(L":\\");
        if (at == std::wstring::npos || drive == std::wstring::npos) continue;
        size_t head = at + drive + 2;
        out.appendLiteral(typed.substr(0, head)).appendColoured(system.substr(drive + 2), 0xC00000);
        out.appendLiteral(typed.substr(at + system.size()));
        return;
    }
    out.appendLiteral(typed);
}
}  // namespace

std::wstring ComposeDestination(const std::wstring& typed, bool maker, bool app, const MainConfiguration& settings,
                                UxMarkedText* markup) {
    // The long form administrators paste (\\?\C:\...) is the plain path;
    // the separators as Windows reads them, before the folder is made
    // absolute (a share's "//" stays a share) and after (the join).
    std::wstring folder = NormalizeSeparators(AbsolutePath(NormalizeSeparators(typed)));
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    std::wstring result = folder;
    if (markup != nullptr) AppendTypedFolder(*markup, folder);
    const std::pair<bool, const std::wstring*> subFolders[] = {{maker, &settings.makerFolder},
                                                               {app, &settings.appFolder}};
    for (const auto& sub : subFolders) {
        if (!sub.first) continue;
        result += *sub.second + L"\\";
        if (markup == nullptr) continue;
        markup->appendColoured(*sub.second, 0x00C000).appendLiteral(L"\\");
    }
    return result;
}

RunRequest RequestFromCommandLine(const COMMAND_LINE_& line, const std::wstring& folder,
                                  const std::shared_ptr<const MainConfiguration>& configuration) {
    RunRequest request;
    request.log = LogPath(line);
    request.folder = folder;
    request.configuration = configuration;
    request.mode = line.handOverFrom != 0 ? RUN_HANDED_OVER
                   : line.quiet           ? RUN_QUIET
                   : line.passive         ? RUN_PASSIVE
                                          : RUN_WINDOW;
    if (request.mode == RUN_WINDOW) return request;
    bool handedOver = request.mode == RUN_HANDED_OVER;
    const MainConfiguration& settings = *configuration;
    request.maker = !handedOver && (line.maker || (settings.flags & FLAG_FORCE_MAKER_FOLDER) != 0);
    request.app = !handedOver && (line.app || (settings.flags & FLAG_FORCE_APP_FOLDER) != 0);
    request.destination = ComposeDestination(line.destination, request.maker, request.app, settings, nullptr);
    return request;
}

UxMarkedText ExpandMessageText(const FCString& message, const wchar_t* destination) {
    // Line breaks first: a destination such as C:\data\new\ holds a
    // backslash-n pair of its own that must stay as it is.
    FCString text(message);
    text.replaceAll("\\n", "\n");
    UxMarkedText expanded;
    std::string rest = text.text();
    const std::string field = "%dest%";
    for (size_t at; destination != nullptr && (at = rest.find(field)) != std::string::npos;) {
        expanded.append(rest.substr(0, at).c_str()).appendLiteral(std::wstring(destination));
        rest.erase(0, at + field.size());
    }
    return expanded.append(rest.c_str());
}
