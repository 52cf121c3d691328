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
#include <cstring>
#include <exception>

namespace {
int KelpackMain(int argc, char** argv) {
    // A console tool never waits on a window: no "insert a disk" box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    try {
        if (argc >= 2 && std::strcmp(argv[1], "build") == 0) return Build(argc, argv);
        if (argc >= 2 && std::strcmp(argv[1], "verify") == 0) return Verify(argc, argv);
        // verify's own reading process for one part.
        if (argc >= 2 && std::strcmp(argv[1], "read-part") == 0) return ReadPart(argc, argv);
        return Usage(nullptr);
    } catch (const Diagnostic& e) {
        Say("%s: %s", e.getCaption(), e.getMessage());
        return 1;
    } catch (const std::exception& e) {
        Say("%s", e.what());
        return 1;
    }
}
}  // namespace

// The arguments arrive as UTF-16 whatever the system's code page.
int wmain(int argc, wchar_t** argv) { return RunWithArguments932(argc, argv, KelpackMain); }
