#include "config/UxSeries.h"
#include <set>
#include <string>

namespace {
struct PROBLEM_TEXT_ {
    const char* shown;
    const char* printed;
};
const PROBLEM_TEXT_ kProblemTexts[] = {
    {"", ""},
    {"kelpex.qcfにfname（解凍するファイル名）の指定がありません。", "kelpex.qcf names no fname"},
    {"kelpex.qcfのfnameの指定が正しくありません。\n番号の増分（5番目の値）は1以上にしてください。",
     "fname has a step below 1"},
    {"kelpex.qcfのfnameの指定が正しくありません。\n番号の桁数（2番目の値）は200以下にしてください。",
     "fname's width is above 200"},
    {"kelpex.qcfのfnameの指定が正しくありません。\n番号の範囲が大きすぎます。",
     "fname's range is above 1,000,000 numbers"},
    {"kelpex.qcfのfnameの指定が正しくありません。\n*番目の値が大きすぎます。", "fname's value * does not fit 32 bits"},
};
static_assert(sizeof kProblemTexts / sizeof kProblemTexts[0] == SERIES_PROBLEM_COUNT,
              "a text for every series problem");
}  // namespace

namespace {
FCString WithField(const char* text, int field) {
    FCString out(text), number;
    number.appendNumber(static_cast<unsigned>(field));
    out.replaceAll("*", number.text());
    return out;
}

}  // namespace

FCString SeriesProblemShown(SeriesProblem problem, int field) { return WithField(kProblemTexts[problem].shown, field); }
FCString SeriesProblemPrinted(SeriesProblem problem, int field) {
    return WithField(kProblemTexts[problem].printed, field);
}

SeriesProblem ExpandSeries(const FCString& fname, std::vector<FCString>& names, int* field) {
    names.clear();
    FCString source(fname), fields[5];
    source.cursor = const_cast<char*>(source.text());
    source.split(fields, 5, ",", FCString::SPLIT_KEEP_EMPTY, " \t");
    if (fields[0].isEmpty()) return SERIES_NO_FNAME;
    source.cursor = const_cast<char*>(source.text());
    bool numbered = fields[0].find("*") != nullptr;
    bool ranged = source.find(",") != nullptr || numbered;
    for (int i = 1; i < 5; ++i) {
        if (NumberFits(fields[i].text(), true)) continue;
        if (field != nullptr) *field = i + 1;
        return SERIES_TOO_LARGE;
    }
    int width = fields[1].toInt(), first = fields[2].toInt(), last = fields[3].toInt(), step = fields[4].toInt();
    // A name with no range at all is that one archive.
    if (!ranged) first = last = step = 1;
    if (first > last) return SERIES_OK;
    if (step < 1) return SERIES_BAD_STEP;
    if (width > kSeriesMaximumWidth) return SERIES_TOO_WIDE;
    if (numbered && (static_cast<long long>(last) - first) / step + 1 > kSeriesMaximumNumbers) return SERIES_TOO_MANY;
    std::set<std::string> seen;
    for (long long n = first; n <= last; n += step) {
        FCString number;
        number.appendInt(static_cast<int>(n), 10, width < 0 ? 0 : width, '0');
        FCString name(fields[0]);
        name.replaceAll("*", number.text());
        if (seen.insert(name.text()).second) names.push_back(name);
        if (!numbered) break;  // every number gives the same name
    }
    return SERIES_OK;
}

void SeriesFname(FCString& out, const char* pattern, int width, int last) {
    out.assignFrom(pattern);
    out.append(",");
    out.appendNumber(static_cast<unsigned>(width));
    out.append(",1,");
    out.appendNumber(static_cast<unsigned>(last));
    out.append(",1");
}
