// The extractor's checks of the series: each cabinet's structure before the
// platform reads it, the entries it offered, and every continuation it asks
// for, judged as the series' walk judges them.
#pragma once
#include "cab/UxCabinetEnd.h"
#include "cab/UxCabinetHeader.h"
#include "fs/PathCompare.h"
#include <windows.h>
#include <setupapi.h>
#include <string>

class UxCabSeriesChecks {
public:
    // end: the extractor's, which outlives this.
    explicit UxCabSeriesChecks(UxCabinetEnd& end) : end_(end) {}
    UxCabSeriesChecks(const UxCabSeriesChecks&) = delete;
    UxCabSeriesChecks& operator=(const UxCabSeriesChecks&) = delete;

    // The cabinets checked from now on form one series.
    void startSeries() { cabinetsInSeries_ = 0; }
    // A new cabinet: nothing offered or expected yet.
    void resetCounts() { expectedOffers_ = offered_ = 0; }
    // The cabinet's structure, checked before the platform reads it; false
    // with errorText set when it must not be read. series: the cabinet is
    // part of a series begun with startSeries.
    bool checkStructure(const std::wstring& archive, bool series, std::wstring& errorText);
    // The platform is about to iterate the cabinet checked last.
    void beginIteration();
    void countOffer() { ++offered_; }
    // The entries the current cabinet offers to be written.
    size_t entries() const { return expectedOffers_ > offered_ ? expectedOffers_ : offered_; }
    // False with errorText set when the platform offered another number of
    // entries than the header lists.
    bool checkOffered(BOOL iterated, const std::wstring& archive, std::wstring& errorText) const;
    // The platform asks where the cabinet that archive's file continues
    // into lies: that cabinet's folder, written into newPath, or an error
    // answer with the cabinet ended.
    UINT findContinuation(const CABINET_INFO_A& info, const std::wstring& archive, char* newPath);

private:
    // False with the cabinet ended when the part the platform is about to
    // read as the continuation of the current one would be misread.
    bool checkContinuation(const std::wstring& path, const char* name, const std::wstring& archive);
    // Ends the cabinet: the part named as its continuation is not one.
    UINT refuseContinuation(const char* name, const std::wstring& archive);

    UxCabinetEnd& end_;
    unsigned cabinetsInSeries_ = 0;  // begun since startSeries
    // The cabinet being extracted once its header is read and sound (while
    // the next one is checked, the one before it).
    UxCabinetHeader current_;
    bool currentSound_ = false;
    // The last continuation the platform was given while the current
    // cabinet is iterated, once there is one.
    UxCabinetHeader chain_;
    bool chainRead_ = false;
    size_t expectedOffers_ = 0;  // entries the header says the platform will offer
    size_t offered_ = 0;  // entries it offered
    PathSet askedCabinets_;  // continuations already looked for
};
