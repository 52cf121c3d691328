#include "cab/UxCAB.h"
#include "cab/UxProgressDialog.h"

namespace {
DWORD SystemTick() { return GetTickCount(); }
const unsigned kMegabyte = 1u << 20;
// Cancel is heard within a pump interval. The status text and the bar are
// repainted at most four times a second, as fast as a name can be read: a
// repaint costs the extraction more than a small file does.
const unsigned kPumpIntervalMs = 20;
const unsigned kDisplayIntervalMs = 250;
}  // namespace

DecompressCab::DecompressCab(TickSource ticks)
    : progressDialog(nullptr), totalMegabytes(0), doneMegabytes(0), pendingBytes(0), startTick(0), lastDisplayTick(0),
      msSinceDisplay(0), tickSource_(ticks != nullptr ? ticks : SystemTick), pump_{kPumpIntervalMs, false, 0},
      status_{kDisplayIntervalMs, false, 0}, bar_{kDisplayIntervalMs, false, 0}, shownMegabytes_(0) {}

DecompressCab::~DecompressCab() {}

void DecompressCab::attachProgress(UxProgressDialog* dialog, unsigned total) {
    progressDialog = dialog;
    totalMegabytes = total;
    pendingBytes = 0;
    doneMegabytes = 0;
    shownMegabytes_ = 0;
}

void DecompressCab::startTimer() {
    startTick = lastDisplayTick = tickSource_();
    msSinceDisplay = 0;
    pump_.started = status_.started = bar_.started = false;
}

bool DecompressCab::due(CADENCE_& cadence) {
    unsigned now = tickSource_();
    if (cadence.started && now - cadence.lastTick < cadence.intervalMs) return false;
    cadence.started = true;
    cadence.lastTick = now;
    return true;
}

bool DecompressCab::takesLong(DWORD bytes) {
    if (bytes < kMegabyte) return false;
    unsigned elapsed = tickSource_() - startTick;
    // Until the Run has a speed, every large file counts as long.
    if (doneMegabytes == 0 || elapsed == 0) return true;
    unsigned long long expectedMs = static_cast<unsigned long long>(bytes >> 20) * elapsed / doneMegabytes;
    return expectedMs >= kDisplayIntervalMs;
}

void DecompressCab::showProgress() {
    if (progressDialog == nullptr || shownMegabytes_ == doneMegabytes) return;
    shownMegabytes_ = doneMegabytes;
    progressDialog->progressBar.setPos(static_cast<int>(doneMegabytes));
}

// The bar shows every megabyte of a cabinet once it ends.
bool DecompressCab::extractTo(const char* folder) {
    bool extracted = UxCAB::extractTo(folder);
    showProgress();
    return extracted;
}

unsigned DecompressCab::elapsedMs() {
    unsigned now = tickSource_();
    msSinceDisplay = now - lastDisplayTick;
    return now - startTick;
}

UINT DecompressCab::onFileInCabinet(FILE_IN_CABINET_INFO_A* info) {
    if (progressDialog != nullptr) {
        // A file that takes long is named whatever the intervals say, and
        // the window is painted before the platform starts on it.
        bool slow = takesLong(info->FileSize);
        if (due(pump_) || slow) progressDialog->pumpMessages();
        if (progressDialog->cancelRequested) return stopCabinet();
        if (due(status_) || slow) progressDialog->setStatusText(info->NameInCabinet);
        if (slow) {
            showProgress();
            UpdateWindow(progressDialog->windowHandle);
        }
        pendingBytes += info->FileSize;
    }
    return UxCAB::onFileInCabinet(info);
}

UINT DecompressCab::onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) {
    // The platform may ask while a large file is half written: Cancel must
    // work here as well.
    if (progressDialog != nullptr) {
        progressDialog->pumpMessages();
        if (progressDialog->cancelRequested) return cancelCabinet();
    }
    return UxCAB::onNeedNewCabinet(info, newPath);
}

UINT DecompressCab::onFileExtracted(const char*) {
    if (pendingBytes >= kMegabyte) {
        doneMegabytes += pendingBytes >> 20;
        pendingBytes &= kMegabyte - 1;
    }
    if (progressDialog == nullptr || doneMegabytes == 0) return NO_ERROR;
    showRemaining(elapsedMs());
    if (shownMegabytes_ != doneMegabytes && due(bar_)) showProgress();
    if (due(pump_)) progressDialog->pumpMessages();
    return NO_ERROR;
}

void DecompressCab::showRemaining(unsigned elapsed) {
    unsigned long long estimatedTotalMs = static_cast<unsigned long long>(totalMegabytes) * elapsed / doneMegabytes;
    unsigned long long estimatedTotalS = estimatedTotalMs / 1000;
    unsigned elapsedS = elapsed / 1000;
    if (!(estimatedTotalS > elapsedS && elapsedS > 30 && msSinceDisplay >= 1000)) return;
    lastDisplayTick += msSinceDisplay;
    msSinceDisplay = 0;
    FCString text;
    formatRemaining(text, static_cast<unsigned>(estimatedTotalS - elapsedS));
    SetDlgItemTextA(progressDialog->windowHandle, IDC_PROGRESS_REMAINING, text.text());
}

void DecompressCab::formatRemaining(FCString& out, unsigned remainingSeconds) {
    unsigned minutes = remainingSeconds / 60, seconds = remainingSeconds % 60;
    out.assignFrom("残り ");
    if (minutes > 0) {
        out.appendNumber(minutes);
        out.append("分 ");
    }
    out.appendNumber(seconds);
    out.append("秒");
}
