// kelpack build SOURCE OUTPUT [options]: packs a folder into a series and
// writes kelpex.qcf, all or nothing.
#pragma once

int Build(int argc, char** argv);
