// The archive series that fname names: "pattern,width,first,last,step",
// each '*' of the pattern replaced by the number written in width digits,
// or a plain name with no range for a single archive. kelpex and kelpack
// read it the same way.
#pragma once
#include "foundation/FCString.h"
#include <vector>

enum SeriesProblem {
    SERIES_OK,
    SERIES_NO_FNAME,  // no pattern at all
    SERIES_BAD_STEP,  // a step below 1
    SERIES_TOO_WIDE,  // more digits than a file name holds
    SERIES_TOO_MANY,  // a range of more than kSeriesMaximumNumbers numbers
    SERIES_TOO_LARGE,  // a number that does not fit 32 bits: refused, never wrapped
    SERIES_PROBLEM_COUNT
};

// What is wrong with fname, in the words kelpex shows (Japanese, markup
// text) and kelpack prints (English), the field (2 to 5) named where the
// problem has one; empty for SERIES_OK.
FCString SeriesProblemShown(SeriesProblem problem, int field = 0);
FCString SeriesProblemPrinted(SeriesProblem problem, int field = 0);

const int kSeriesMaximumWidth = 200;
const long long kSeriesMaximumNumbers = 1000000;

// The names in the order of their numbers, each once. On a problem the list
// is empty.
// field, when given, receives the field a SERIES_TOO_LARGE concerns.
SeriesProblem ExpandSeries(const FCString& fname, std::vector<FCString>& names, int* field = nullptr);

// "data*.cab,2,1,12,1" for a pattern, a width and a last number (first and
// step 1).
void SeriesFname(FCString& out, const char* pattern, int width, int last);
