#include "cab/UxCAB.h"
#include "cab/UxProgressDialog.h"

namespace {
DWORD SystemTick() { return GetTickCount(); }
const unsigned kMegabyte = 1u << 20;
const unsigned kPumpIntervalMs = 20;
}  // namespace

DecompressCab::DecompressCab(TickSource ticks)
    : progressDialog(nullptr), totalMegabytes(0), doneMegabytes(0), pendingBytes(0), startTick(0),
      lastDisplayTick(0), msSinceDisplay(0), tickSource_(ticks != nullptr ? ticks : SystemTick), pumpedOnce_(false), lastPumpTick_(0) {}

DecompressCab::~DecompressCab() {}

void DecompressCab::attachProgress(UxProgressDialog* dialog, unsigned total) {
    progressDialog = dialog;
    totalMegabytes = total;
    pendingBytes = 0;
    doneMegabytes = 0;
}

void DecompressCab::startTimer() {
    startTick = lastDisplayTick = tickSource_();
    msSinceDisplay = 0;
    pumpedOnce_ = false;
}

bool DecompressCab::pumpDue() {
    unsigned now = tickSource_();
    if (pumpedOnce_ && now - lastPumpTick_ < kPumpIntervalMs) return false;
    pumpedOnce_ = true;
    lastPumpTick_ = now;
    return true;
}

unsigned DecompressCab::elapsedMs() {
    unsigned now = tickSource_();
    msSinceDisplay = now - lastDisplayTick;
    return now - startTick;
}

UINT DecompressCab::onFileInCabinet(FILE_IN_CABINET_INFO_A* info) {
    if (progressDialog != nullptr) {
        // A large file takes long enough to be worth naming whatever the
        // interval says, and its name is painted before the platform starts.
        bool large = info->FileSize >= kMegabyte;
        bool due = pumpDue() || large;
        if (due) progressDialog->pumpMessages();
        if (progressDialog->cancelRequested) return stopCabinet();
        if (due) progressDialog->setStatusText(info->NameInCabinet);
        if (large) UpdateWindow(progressDialog->windowHandle);
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
    unsigned before = doneMegabytes;
    if (pendingBytes >= kMegabyte) {
        doneMegabytes += pendingBytes >> 20;
        pendingBytes &= kMegabyte - 1;
    }
    if (progressDialog == nullptr || doneMegabytes == 0) return NO_ERROR;
    showRemaining(elapsedMs());
    if (doneMegabytes != before) progressDialog->progressBar.setPos(static_cast<int>(doneMegabytes));
    if (pumpDue()) progressDialog->pumpMessages();
    return NO_ERROR;
}

void DecompressCab::showRemaining(unsigned elapsed) {
    unsigned long long estimatedTotalMs =
        static_cast<unsigned long long>(totalMegabytes) * elapsed / doneMegabytes;
    unsigned long long estimatedTotalS = estimatedTotalMs / 1000;
    unsigned elapsedS = elapsed / 1000;
    if (!(estimatedTotalS > elapsedS && elapsedS > 30 && msSinceDisplay >= 1000)) return;
    lastDisplayTick += msSinceDisplay;
    msSinceDisplay = 0;
    FCString text;
    formatRemaining(text, static_cast<unsigned>(estimatedTotalS - elapsedS));
    SetDlgItemTextA(progressDialog->windowHandle, UxProgressDialog::REMAINING_ID, text.text());
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
