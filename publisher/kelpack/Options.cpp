#include "publisher/kelpack/Options.h"
#include "config/QcfKeys.h"
#include "config/UxSeries.h"
#include "foundation/WideText.h"
#include "publisher/kelpack/Console.h"
#include "publisher/kelpack/Plan.h"
#include <algorithm>
#include <cstdio>
#include <cstdlib>

int Usage(const char* why) {
    if (why != nullptr) Say("%s", why);
    std::fprintf(stderr,
                 "usage: kelpack build SOURCE OUTPUT [--pattern data*.cab] [--width 2] [--max-size 650M] [--store]\n"
                 "                     [--key N] [--caption TEXT] [--maker TEXT] [--app TEXT] [--flags N]\n"
                 "                     [--mes0 TEXT] [--mes1 TEXT] [--mes2 TEXT]\n"
                 "       kelpack verify FOLDER\n");
    return 2;
}

namespace {
enum OptionKind_ { OPTION_STORE, OPTION_TEXT, OPTION_PATTERN, OPTION_WIDTH, OPTION_MAX_SIZE, OPTION_KEY, OPTION_FLAGS };

struct OPTION_ {
    const char* name;
    OptionKind_ kind;
    const char* key;  // the configuration key a text goes to
};

const OPTION_ kOptions[] = {
    {"--pattern", OPTION_PATTERN, nullptr},
    {"--width", OPTION_WIDTH, nullptr},
    {"--max-size", OPTION_MAX_SIZE, nullptr},
    {"--store", OPTION_STORE, nullptr},
    {"--key", OPTION_KEY, nullptr},
    {"--flags", OPTION_FLAGS, nullptr},
    {"--caption", OPTION_TEXT, QcfKey::kCaption},
    {"--maker", OPTION_TEXT, QcfKey::kMakerName},
    {"--app", OPTION_TEXT, QcfKey::kAppName},
    {"--mes0", OPTION_TEXT, QcfKey::kMessages[0]},
    {"--mes1", OPTION_TEXT, QcfKey::kMessages[1]},
    {"--mes2", OPTION_TEXT, QcfKey::kMessages[2]},
};

bool ParseSize(const std::string& text, unsigned long long& size) {
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (end == text.c_str() || text[0] == '-') return false;
    std::string unit(end);
    unsigned long long factor = unit.empty()                 ? 1
                                : unit == "K" || unit == "k" ? 1024
                                : unit == "M" || unit == "m" ? kMegabyte
                                : unit == "G" || unit == "g" ? 1024 * kMegabyte
                                                             : 0;
    if (factor == 0 || value == 0 || value > (~0ull) / factor) return false;
    size = value * factor;
    return true;
}

bool ParseNumber(const char* text, unsigned& value) {
    char* end = nullptr;
    unsigned long v = std::strtoul(text, &end, 0);
    if (end == text || *end != '\0' || *text == '-' || v > 0xFFFFFFFFul) return false;
    value = static_cast<unsigned>(v);
    return true;
}

// Backslash-n for every line break, as kelpex reads its texts.
std::string QcfText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') continue;
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    }
    return out;
}

int Apply(const OPTION_& option, const char* value, BuildOptions_& o) {
    unsigned number = 0;
    switch (option.kind) {
    case OPTION_STORE: o.store = true; return 0;
    case OPTION_TEXT: o.texts[option.key] = QcfText(ShiftJisShown(value)); return 0;  // '?' as kelpex reads it
    case OPTION_PATTERN:
        o.pattern = value;
        if (o.pattern.find(kKeptWideStart) != std::string::npos)
            return Usage("the pattern must be written in Shift_JIS: kelpex.qcf names the cabinets in it");
        if (std::count(o.pattern.begin(), o.pattern.end(), '*') != 1)
            return Usage("the pattern needs exactly one '*' for the number");
        if (o.pattern.find_first_of("\\/:") != std::string::npos)
            return Usage("the pattern is a file name: the cabinets go into OUTPUT itself");
        return 0;
    case OPTION_WIDTH:
        if (!ParseNumber(value, number) || number > static_cast<unsigned>(kSeriesMaximumWidth))
            return Usage("the width must be a number from 0 to 200");
        o.width = static_cast<int>(number);
        return 0;
    case OPTION_MAX_SIZE:
        if (!ParseSize(value, o.maxSize)) return Usage("the maximum size must be bytes or a number with K, M or G");
        if (o.maxSize > kCabinetRoom) {
            char why[160];
            std::snprintf(why, sizeof why, "the maximum size is above what one cabinet can hold: at most %llu bytes",
                          kCabinetRoom);
            return Usage(why);
        }
        return 0;
    case OPTION_KEY:
        if (!ParseNumber(value, o.key) || o.key == 0) return Usage("the key must be a number other than 0");
        return 0;
    case OPTION_FLAGS:
        if (!ParseNumber(value, o.flags)) return Usage("the flags must be a number from 0 to 4294967295");
        o.hasFlags = true;
        return 0;
    }
    return 0;
}
}  // namespace

int ParseBuildOptions(int argc, char** argv, BuildOptions_& o) {
    if (argc < 4) return Usage("build needs a SOURCE and an OUTPUT folder");
    o.source = FolderPath(argv[2]);
    o.output = FolderPath(argv[3]);
    for (int i = 4; i < argc; ++i) {
        const OPTION_* option = nullptr;
        for (const OPTION_& candidate : kOptions)
            if (std::string(argv[i]) == candidate.name) option = &candidate;
        if (option == nullptr) return Usage((std::string("unknown option ") + argv[i]).c_str());
        const char* value = nullptr;
        if (option->kind != OPTION_STORE) {
            if (i + 1 >= argc) return Usage((std::string("missing value after ") + argv[i]).c_str());
            value = argv[++i];
        }
        if (int usage = Apply(*option, value, o)) return usage;
    }
    return 0;
}
