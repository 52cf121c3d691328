// kelpack build SOURCE OUTPUT [options]: packs a folder into a series and
// writes kelpex.qcf, all or nothing.
#pragma once
#include "publisher/kelpack/Options.h"

int Build(const Arguments_& arguments);
