// The keys of kelpex.qcf, spelt in one place: kelpex reads them and kelpack
// writes them, in the order of this list.
#pragma once

namespace QcfKey {
const char* const kCaption = "caption";
const char* const kFname = "fname";
const char* const kSize = "size";
const char* const kFlags = "flags";
const char* const kMakerName = "makerName";
const char* const kAppName = "appName";
const char* const kMessages[3] = {"mes0", "mes1", "mes2"};
}  // namespace QcfKey
