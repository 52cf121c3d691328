// The face of a Run nobody watches: it asks nothing and shows nothing but
// the progress dialog the Run makes for /passive.
#include "app/Unattended.h"
#include "app/RunLog.h"

namespace {
class UxUnattendedFace : public UxRunFace {
public:
    HWND owner() const override { return nullptr; }
    // The outcome keeps the Run's word for the log.
    void say(const UxMarkedText&) override {}
    // A Run with nobody there decides without asking; these are never
    // reached, and answer as nobody would.
    bool confirm(const UxMarkedText&, const char*) override { return false; }
    int askInUse(const UxMarkedText&, HANDLE) override { return IDIGNORE; }
    void handedOver() override {}
};
}  // namespace

void RunUnattended(const std::wstring& folder, const COMMAND_LINE_& line, RunLog& log, RunOutcome& outcome,
                   std::shared_ptr<const MainConfiguration>& configuration, UxRunPlatform& platform) {
    UxQcf store;
    configuration = ReadConfiguration(folder, store, true, log);
    if (!configuration->usable) {
        outcome = StartProblemOutcome(*configuration);
        return;
    }
    UxUnattendedFace face;
    UxRun run(RequestFromCommandLine(line, folder, configuration), face, log, platform);
    run.run();
    outcome = run.takeOutcome();
}
