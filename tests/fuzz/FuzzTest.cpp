// Mutated cabinets go to the header reader and the structural check, mutated
// configurations (plain and scrambled) to the configuration parser: bit
// flips, byte runs, header fields set to edge values, cuts at every
// structure boundary. Nothing may crash, read outside its bytes or hang, and
// what is accepted must hold together.
//   KELPEX_FUZZ_SEED   the seed (fixed under CTest)
//   KELPEX_FUZZ_CASES  how many cases of each kind
//   KELPEX_FUZZ_FOUND  a folder: each case is written there as current.bin
//                      before it runs (a crash leaves it behind), and every
//                      case that breaks an invariant is kept as found-N.bin
#include "cab/UxCabinetHeader.h"
#include "config/UxQcf.h"
#include "config/UxStaticRandom.h"
#include "tests/cab/CabinetWriter.h"
#include "tests/support/GuardedBytes.h"
#include "tests/support/TempFolder.h"
#include <gtest/gtest.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {
unsigned EnvNumber(const char* name, unsigned fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? static_cast<unsigned>(std::strtoul(value, nullptr, 10)) : fallback;
}

std::string FoundFolder() {
    const char* value = std::getenv("KELPEX_FUZZ_FOUND");
    std::string folder = value != nullptr ? value : "";
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : random_(seed) {}
    unsigned below(unsigned n) { return n == 0 ? 0 : static_cast<unsigned>(random_() % n); }

    // One to three of the mutations, the cuts at the given boundaries.
    std::string mutate(std::string bytes, const std::vector<size_t>& boundaries) {
        for (unsigned i = 0, n = 1 + below(3); i < n && !bytes.empty(); ++i) {
            switch (below(5)) {
            case 0:  // bit flips
                for (unsigned k = 0, m = 1 + below(8); k < m; ++k)
                    bytes[below(static_cast<unsigned>(bytes.size()))] ^= static_cast<char>(1u << below(8));
                break;
            case 1: {  // a run of one byte
                size_t at = below(static_cast<unsigned>(bytes.size())), length = 1 + below(32);
                char value = "\0\xFF\x7F\x80"[below(4)];
                for (size_t k = at; k < at + length && k < bytes.size(); ++k) bytes[k] = value;
                break;
            }
            case 2: {  // a 16-bit field of the header at an edge value
                static const size_t fields[] = {8, 10, 16, 18, 26, 28, 30, 32, 34, 36, 40, 42, 44, 52};
                static const unsigned edges[] = {0, 1, 0x7FFF, 0x8000, 0xFFFD, 0xFFFE, 0xFFFF};
                size_t at = fields[below(sizeof fields / sizeof fields[0])];
                unsigned value = edges[below(sizeof edges / sizeof edges[0])];
                if (at + 1 < bytes.size()) {
                    bytes[at] = static_cast<char>(value & 0xFF);
                    bytes[at + 1] = static_cast<char>(value >> 8);
                }
                break;
            }
            case 3:  // a cut at a structure boundary
                if (!boundaries.empty())
                    bytes.resize(std::min(bytes.size(), boundaries[below(static_cast<unsigned>(boundaries.size()))]));
                break;
            default:  // a cut anywhere
                bytes.resize(below(static_cast<unsigned>(bytes.size()) + 1));
                break;
            }
        }
        return bytes;
    }

private:
    std::mt19937 random_;
};

// Where a cabinet's structures begin: the fixed header, the folder record,
// each file record, the data.
std::vector<size_t> Boundaries(const std::string& cabinet) {
    std::vector<size_t> cuts = {0, 4, 8, 12, 16, 24, 34, 36, 44};
    UxCabinetHeader header;
    if (header.parse(reinterpret_cast<const unsigned char*>(cabinet.data()), cabinet.size()) != UxCabinetHeader::OK)
        return cuts;
    size_t at = 44;
    for (const UxCabinetHeader::FILE_& file : header.files) {
        cuts.push_back(at);
        cuts.push_back(at + 16);
        at += 16 + file.name.size() + 1;
    }
    for (const UxCabinetHeader::FOLDER_& folder : header.folderRecords) cuts.push_back(folder.dataOffset);
    cuts.push_back(cabinet.size() - 1);
    return cuts;
}

class Findings {
public:
    Findings() : folder_(FoundFolder()) {}
    void current(const std::string& bytes) {
        if (!folder_.empty()) TempFolder::writeFile(folder_ + "current.bin", bytes);
    }
    void found(const std::string& bytes, const std::string& why) {
        ADD_FAILURE() << why;
        if (!folder_.empty()) TempFolder::writeFile(folder_ + "found-" + std::to_string(++count_) + ".bin", bytes);
    }

private:
    std::string folder_;
    int count_ = 0;
};
}  // namespace

TEST(Fuzz, MutatedCabinetsAreReadWithinTheirBytesAndWhatIsAcceptedHoldsTogether) {
    TempFolder dir;
    std::vector<std::string> seeds;
    ASSERT_TRUE(WriteCabinet(dir / "a.cab", {{"a.txt", "aaaa"}, {"sub\\b.txt", std::string(40000, 'b')}, {"c", ""}}));
    ASSERT_TRUE(WriteSpanningSeries(dir.path(), {"s1.cab", "s2.cab"},
                                    {{{"x.txt", "x"}, {"big.bin", std::string(30000, 'g')}}, {{"y.txt", "y"}}}));
    for (const char* name : {"a.cab", "s1.cab", "s2.cab"}) seeds.push_back(TempFolder::readFile(dir / name));
    unsigned seed = EnvNumber("KELPEX_FUZZ_SEED", 20261207), cases = EnvNumber("KELPEX_FUZZ_CASES", 20000);
    Mutator mutator(seed);
    GuardedBytes guard(64);
    Findings findings;
    unsigned accepted = 0;
    for (unsigned i = 0; i < cases; ++i) {
        const std::string& original = seeds[i % seeds.size()];
        std::string bytes = mutator.mutate(original, Boundaries(original));
        findings.current(bytes);
        UxCabinetHeader header;
        UxCabinetHeader::Result result = header.parse(guard.place(bytes), bytes.size());
        if (result != UxCabinetHeader::OK) {
            if (!header.files.empty()) findings.found(bytes, "a refused cabinet kept files, case " + std::to_string(i));
            continue;
        }
        ++accepted;
        bool holds = header.folderRecords.size() == header.folders;
        for (const UxCabinetHeader::FILE_& file : header.files) holds = holds && file.name.size() < 256;
        for (bool before : {false, true}) {
            size_t entry = 0;
            UxCabinetHeader::Fault fault = header.check(before, entry);
            holds = holds && fault < UxCabinetHeader::FAULT_COUNT && entry <= header.files.size();
            // What passes the check names only folders the cabinet has, or
            // continuations its header allows.
            for (const UxCabinetHeader::FILE_& file : header.files) {
                if (fault != UxCabinetHeader::FAULT_NONE) break;
                holds = holds &&
                        (file.folder < header.folders || (file.folder >= UxCabinetHeader::CONTINUED_FROM_PREV &&
                                                          file.folder <= UxCabinetHeader::CONTINUED_PREV_AND_NEXT));
            }
        }
        if (!holds) findings.found(bytes, "an accepted cabinet does not hold together, case " + std::to_string(i));
    }
    std::printf("fuzz: seed %u, %u cabinets, %u accepted\n", seed, cases, accepted);
    EXPECT_GT(accepted, cases / 10);  // the mutations leave enough cabinets whole to reach the check
}

TEST(Fuzz, MutatedConfigurationsParsePlainAndScrambled) {
    const std::string text =
        "caption=サンプル【0xC00000】表ソ\nfname=data*.cab,2,1,12,1\nsize=1200\nflags=3\nmakerName=ﾒｰｶｰ\n"
        "mes0=表\\n%dest%\r\nmes1=ok\n;comment\n　key=full width\n";
    unsigned seed = EnvNumber("KELPEX_FUZZ_SEED", 20261207) + 1, cases = EnvNumber("KELPEX_FUZZ_CASES", 20000);
    Mutator mutator(seed);
    Findings findings;
    TempFolder dir;
    std::string path = dir / "kelpex.qcf";
    for (unsigned i = 0; i < cases; ++i) {
        std::string bytes = mutator.mutate(text, {0, 8, 20, 40, text.size() - 1});
        findings.current(bytes);
        UxQcf store;
        store.flags = 0;
        store.parse(FCString(bytes.c_str()), false);
        unsigned number = 0;
        store.getNumber(number, "size");
        FCString value;
        for (const auto& entry : store.entries)
            if (std::string(entry.first.text()).find('\n') != std::string::npos)
                findings.found(bytes, "a key holds a line break, case " + std::to_string(i));
        // Every tenth case goes through a scrambled file and the loader.
        if (i % 10 != 0) continue;
        std::string scrambled = bytes;
        if (!scrambled.empty())
            scrambleBytes(12345, reinterpret_cast<unsigned char*>(&scrambled[0]), static_cast<int>(scrambled.size()));
        TempFolder::writeFile(path, "qcftype=1,12345\n" + scrambled);
        UxQcf loaded;
        loaded.load(W(path));
        loaded.flags = 0;
        loaded.getString(value, "caption");
    }
    std::printf("fuzz: seed %u, %u configurations\n", seed, cases);
}
