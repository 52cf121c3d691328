// kelpack: the publisher's side of kelpex.
//   kelpack build SOURCE OUTPUT [options]   packs a folder into a series and writes kelpex.qcf
//   kelpack verify FOLDER                   checks a series as kelpex will extract it
// Messages are English, one line each, on stderr. Exit codes: 0 done or
// sound, 1 refused or faulty, 2 usage.
#include "foundation/Diagnostic.h"
#include "foundation/WideText.h"
#include "publisher/kelpack/Build.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/Options.h"
#include "publisher/kelpack/PartReader.h"
#include "publisher/kelpack/Verify.h"
#include <exception>

namespace {
int KelpackMain(const Arguments_& arguments) {
    // A console tool never waits on a window: no "insert a disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    try {
        const std::wstring command = arguments.empty() ? std::wstring() : arguments[0];
        if (command == L"build") return Build(arguments);
        if (command == L"verify") return Verify(arguments);
        // verify's own reading process for one part.
        if (command == L"read-part") return ReadPart(arguments);
        return Usage(std::wstring());
    } catch (const Diagnostic& e) {
        Say(L"%ls: %ls", FromShiftJis(e.getCaption()).c_str(), e.getWideMessage().c_str());
        return 1;
    } catch (const std::exception& e) {
        Say(L"%ls", FromShiftJis(e.what()).c_str());
        return 1;
    }
}
}  // namespace

// The arguments arrive as UTF-16 whatever the system's code page, and stay so.
int wmain(int argc, wchar_t** argv) { return KelpackMain(Arguments_(argv + (argc > 0 ? 1 : 0), argv + argc)); }
