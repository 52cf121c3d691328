// The extractor of a Run: what it shows, and Cancel.
#include "cab/UxCAB.h"

DecompressCab::DecompressCab(UxExtractionStatus* status) : fileBytes_(0) { setStatus(status); }

DecompressCab::~DecompressCab() {}

UINT DecompressCab::onFileInCabinet(FILE_IN_CABINET_INFO_A* info) {
    if (cancelled()) return stopCabinet();
    UINT answer = UxCAB::onFileInCabinet(info);
    if (status_ != nullptr && answer == FILEOP_DOIT) {
        fileBytes_ = info->FileSize;
        status_->beginFile(nameInFlight(), writtenInFlight());
    }
    return answer;
}

UINT DecompressCab::onFileExtracted(const std::wstring&) {
    if (status_ != nullptr) status_->endFile(fileBytes_);
    fileBytes_ = 0;
    return NO_ERROR;
}

UINT DecompressCab::onNeedNewCabinet(const CABINET_INFO_A& info, char* newPath) {
    // The platform may ask while a large file is half written: Cancel ends
    // the cabinet here as well.
    if (cancelled()) return cancelCabinet();
    return UxCAB::onNeedNewCabinet(info, newPath);
}
