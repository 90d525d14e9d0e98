// The reader against random and damaged input: random bytes and mutated
// valid templates (bit flips, truncation, inserted and deleted bytes, huge
// lengths and counts), with a fixed seed. Every case must end either in a
// loaded report or in one of the reader's message boxes - never a crash, a
// hang, an escaping exception or a huge allocation (the sanitizer build
// runs the same cases).
#include "TemplateSupport.h"

#include <random>

using namespace report;
using namespace report::testing;

namespace {

constexpr int kCasesPerSeed = 700;

QByteArray Mutate(const QByteArray& seed, std::mt19937& random) {
    QByteArray bytes = seed;
    auto pick = [&](qsizetype n) {
        return std::uniform_int_distribution<qsizetype>(0, std::max<qsizetype>(n - 1, 0))(random);
    };
    const int mutations = 1 + static_cast<int>(random() % 4);
    for (int m = 0; m < mutations && !bytes.isEmpty(); ++m) {
        const qsizetype at = pick(bytes.size());
        switch (random() % 6) {
        case 0: // flip a bit
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << (random() % 8)));
            break;
        case 1: // truncate
            bytes.truncate(at);
            break;
        case 2: // insert bytes
            bytes.insert(at, QByteArray(1 + pick(8), static_cast<char>(random())));
            break;
        case 3: // delete bytes
            bytes.remove(at, 1 + pick(8));
            break;
        case 4: { // a huge length, count or offset
            static const std::uint32_t kHuge[] = {0xFFFFFFFF, 0x7FFFFFFF, 0x0000FFFF, 0x80000000,
                                                  0x00010000};
            const std::uint32_t v = kHuge[random() % std::size(kHuge)];
            for (int i = 0; i < 4 && at + i < bytes.size(); ++i)
                bytes[at + i] = static_cast<char>(v >> (8 * i));
            break;
        }
        default: // a random byte, often a tag
            bytes[at] = static_cast<char>(random() % 2 ? random() : 250 + random() % 6);
            break;
        }
    }
    return bytes;
}

QByteArray RandomBytes(std::mt19937& random) {
    QByteArray bytes(static_cast<qsizetype>(random() % 300), '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    // Mostly known versions, so that the reader gets past the header.
    if (!bytes.isEmpty() && random() % 4 != 0)
        bytes[0] = static_cast<char>(random() % 26);
    return bytes;
}

// Loads bytes into a report that already holds a page, and checks the
// outcome is one the reader can give.
void ExpectSoundOutcome(const QByteArray& bytes, int caseNumber) {
    RecordingSink boxes;
    TrpReport report;
    report.Pages.Add();
    ASSERT_NO_THROW(Load(report, bytes)) << "case " << caseNumber;
    ASSERT_LE(boxes.boxes.size(), 1u) << "case " << caseNumber;
    if (!boxes.boxes.empty()) {
        const std::string& text = boxes.boxes[0].text;
        EXPECT_TRUE(text == "Unsupported RPF format" ||
                    text.rfind("Opened report contains the following non-plugged components:", 0) ==
                        0)
            << "case " << caseNumber << ": " << text;
        EXPECT_EQ(boxes.boxes[0].caption, "Error");
    }
    // Whatever happened, the report is whole: it can be saved again.
    QByteArray saved;
    EXPECT_NO_THROW(saved = Save(report)) << "case " << caseNumber;
}

TEST(TrpTemplateFuzzTest, RandomBytes) {
    std::mt19937 random(20261209);
    for (int i = 0; i < kCasesPerSeed; ++i)
        ExpectSoundOutcome(RandomBytes(random), i);
}

TEST(TrpTemplateFuzzTest, MutatedCurrentTemplate) {
    TrpReport full;
    BuildFullTemplate(full);
    const QByteArray seed = Save(full);
    std::mt19937 random(4711);
    for (int i = 0; i < 3 * kCasesPerSeed; ++i)
        ExpectSoundOutcome(Mutate(seed, random), i);
}

TEST(TrpTemplateFuzzTest, MutatedOldTemplate) {
    // A version-22 file: zero-terminated strings and lists, old pages.
    ByteImage old;
    old.U8(22).I16(1).I16(0).ZStr("Printer");
    old.U8(255).I32(9).I32(2100).I32(2970).I32(1).I32(2).I32(3).I32(4).U8(1);
    old.I32(0).I16(0).I16(0).I16(1).I32(1).I32(0);
    for (int type : {0, 1, 2, 3, 4}) {
        old.U8(type).U8(0);
        old.I32(1).I32(2).I32(30).I32(40).I16(1).I16(15).I32(500).I32(0).I16(1).I32(0xFF);
        old.I32(558).ZStr("pattern").ZList({"a", "", "b"}).U8(2);
        if (type == 0)
            old.ZStr("Arial").I32(10).I16(2).I32(0).I32(0).I16(0).I16(2).I32(0).I32(0).ZStr("");
        if (type == 1)
            old.U8(0).U8(0).I32(old.Size() + 4);
        if (type == 3)
            old.I32(0);
    }
    old.U8(254).I32(1).U8(2).I32(1).U8(0).U8(1).bytes.append('x');
    old.U8(1).bytes.append('v');
    old.ZList({"Cat", " v"});
    {
        RecordingSink boxes;
        TrpReport report;
        Load(report, old.bytes);
        ASSERT_TRUE(boxes.boxes.empty());
        ASSERT_EQ(report.Pages.Count(), 1u);
        ASSERT_EQ(report.Pages[0]->Count(), 5u);
        ASSERT_EQ(report.Dictionary.Variables.Name(1), "v");
        ASSERT_EQ(ValueToText(report.Dictionary.Variables.Value(1)), "x");
    }
    std::mt19937 random(1234);
    for (int i = 0; i < 2 * kCasesPerSeed; ++i)
        ExpectSoundOutcome(Mutate(old.bytes, random), i);
}

} // namespace
