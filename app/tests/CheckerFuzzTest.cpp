// Property test: seeded random files (raw bytes, and valid records with
// mutations) fed to the line reader and the whole check. Nothing crashes or
// hangs, failures are only the two documented exceptions, and the grid keeps
// its invariants.
#include "InOutError.h"
#include "TestRecords.h"
#include "TextLineReader.h"
#include "Validator.h"

#include <gtest/gtest.h>
#include <random>

namespace morvane {
namespace {

constexpr unsigned kSeed = 20240131;
constexpr int kRawInputs = 1000;
constexpr int kRecordInputs = 1000;
constexpr std::size_t kMaxRawSize = 4096;

// Bytes that matter to the rules: line ends, Ctrl-Z, digits, signs, points,
// exponent letters, spaces, control and high bytes.
constexpr char kInteresting[] = "\r\n\x1a 0123456789+-.eE\t\x01\xff"
                                "A";

std::string RandomBytes(std::mt19937& rng) {
    std::uniform_int_distribution<std::size_t> size(0, kMaxRawSize);
    std::uniform_int_distribution<int> coin(0, 3);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kInteresting - 2);
    std::string s(size(rng), '\0');
    for (auto& c : s) {
        c = coin(rng) == 0 ? static_cast<char>(byte(rng)) : kInteresting[pick(rng)];
    }
    return s;
}

// A valid file whose records are then damaged: bytes overwritten with
// interesting ones, lines cut or stretched, lines duplicated or dropped,
// line ends changed.
std::string MutatedRecords(std::mt19937& rng) {
    std::uniform_int_distribution<int> details(0, 8);
    auto lines = test::CleanLines(details(rng));
    std::uniform_int_distribution<int> mutations(0, 6);
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kInteresting - 2);
    for (int m = mutations(rng); m > 0; --m) {
        std::uniform_int_distribution<std::size_t> which(0, lines.size() - 1);
        std::string& l = lines[which(rng)];
        switch (std::uniform_int_distribution<int>(0, 5)(rng)) {
        case 0:
        case 1:
            if (!l.empty()) {
                l[std::uniform_int_distribution<std::size_t>(0, l.size() - 1)(rng)] =
                    kInteresting[pick(rng)];
            }
            break;
        case 2:
            l.resize(std::uniform_int_distribution<std::size_t>(0, 300)(rng), ' ');
            break;
        case 3:
            lines.push_back(l);
            break;
        case 4:
            if (lines.size() > 1) {
                lines.erase(lines.begin() + static_cast<long>(which(rng)));
            }
            break;
        default:
            if (l.size() >= 41) {
                l.replace(35, 6, "0003.0"); // a value that reaches a conversion
            }
            break;
        }
    }
    const char* ends[] = {"\r\n", "\r", "\n", "\r\n"};
    const char* end = ends[std::uniform_int_distribution<int>(0, 3)(rng)];
    std::string out;
    for (const auto& l : lines) {
        out += l + end;
    }
    return out;
}

void CheckGridInvariants(const TResultGrid& grid) {
    ASSERT_GE(grid.RowCount(), 2);
    for (int c = 0; c < TResultGrid::kMaxColumns; ++c) {
        ASSERT_EQ(grid.Cell(c, grid.RowCount() - 1), "") << "last row not empty";
    }
    for (int r = 1; r < grid.RowCount() - 1; ++r) {
        ASSERT_EQ(grid.Cell(0, r), std::to_string(r)) << "row numbers not consecutive";
    }
}

// Checks one input; `clean` tells whether the whole check found nothing.
void CheckOne(const test::TScratchDir& dir, const std::string& bytes, bool& clean) {
    clean = false;
    const std::string path = dir.Write("in.txt", bytes);

    // The reader returns every byte before the first Ctrl-Z, CRs removed
    // and LFs directly after a CR removed.
    std::string expected;
    const std::string live = bytes.substr(0, bytes.find('\x1a'));
    for (std::size_t i = 0; i < live.size(); ++i) {
        if (live[i] == '\r') {
            if (i + 1 < live.size() && live[i + 1] == '\n') {
                ++i;
            }
            continue;
        }
        expected += live[i];
    }
    std::string joined, line;
    TTextLineReader reader(path);
    while (reader.ReadLine(line)) {
        joined += line;
    }
    ASSERT_EQ(joined, expected);

    TResultGrid grid;
    test::TRecordingSink sink;
    TValidator validator;
    bool valid = false;
    try {
        valid = validator.ValidateFile(path, grid, sink);
    } catch (const EConvertError& e) {
        ASSERT_NE(std::string(e.what()).find("' is not a valid integer value"), std::string::npos);
        ASSERT_FALSE(validator.DataValid);
    }
    CheckGridInvariants(grid);
    ASSERT_EQ(valid, grid.FaultRowCount() == 0 && validator.DataValid);
    clean = valid;
    if (grid.FaultRowCount() > 0) {
        ASSERT_EQ(grid.StatusText(), "Invalid data fields");
    }
}

TEST(CheckerFuzz, RandomBytes) {
    std::mt19937 rng(kSeed);
    test::TScratchDir dir;
    for (int i = 0; i < kRawInputs; ++i) {
        SCOPED_TRACE(i);
        bool clean = false;
        ASSERT_NO_FATAL_FAILURE(CheckOne(dir, RandomBytes(rng), clean));
    }
}

TEST(CheckerFuzz, MutatedRecords) {
    std::mt19937 rng(kSeed + 1);
    test::TScratchDir dir;
    int clean = 0;
    for (int i = 0; i < kRecordInputs; ++i) {
        SCOPED_TRACE(i);
        bool wasClean = false;
        ASSERT_NO_FATAL_FAILURE(CheckOne(dir, MutatedRecords(rng), wasClean));
        clean += wasClean ? 1 : 0;
    }
    // The mutations leave some files clean, so both outcomes are exercised.
    EXPECT_GT(clean, 0);
    EXPECT_LT(clean, kRecordInputs);
}

} // namespace
} // namespace morvane
