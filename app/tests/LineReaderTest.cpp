// The line rules of text files: CR, CR LF, lone LF, Ctrl-Z, a last line
// without an end, empty lines, and the same at the reader's buffer edges.
#include "InOutError.h"
#include "TestRecords.h"
#include "TextLineReader.h"

#include <gtest/gtest.h>

namespace morvane {
namespace {

using test::TScratchDir;

std::vector<std::string> ReadLines(const std::string& bytes) {
    TScratchDir dir;
    TTextLineReader reader(dir.Write("f.txt", bytes));
    std::vector<std::string> lines;
    std::string line;
    while (reader.ReadLine(line)) {
        lines.push_back(line);
    }
    EXPECT_FALSE(reader.ReadLine(line)); // stays at the end
    return lines;
}

using Lines = std::vector<std::string>;

TEST(LineReader, LineEnds) {
    EXPECT_EQ(ReadLines("a\r\nb\r\n"), (Lines{"a", "b"}));
    EXPECT_EQ(ReadLines("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(ReadLines("a\r\nb"), (Lines{"a", "b"}));       // last line without an end
    EXPECT_EQ(ReadLines("a\nb\n"), (Lines{"a\nb\n"}));       // a lone LF stays in the line
    EXPECT_EQ(ReadLines("a\n\rb"), (Lines{"a\n", "b"}));     // LF before CR is not a line end
    EXPECT_EQ(ReadLines("a\r\n\nb"), (Lines{"a", "\nb"}));   // only one LF belongs to the end
    EXPECT_EQ(ReadLines("a\r\r\nb"), (Lines{"a", "", "b"})); // CR CR LF: an empty line
}

TEST(LineReader, EmptyLinesAndEmptyFiles) {
    EXPECT_EQ(ReadLines(""), Lines{});
    EXPECT_EQ(ReadLines("\r\n"), (Lines{""}));
    EXPECT_EQ(ReadLines("\r\n\r\n"), (Lines{"", ""}));
    EXPECT_EQ(ReadLines("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(ReadLines("\n"), (Lines{"\n"}));
}

TEST(LineReader, CtrlZEndsTheFile) {
    EXPECT_EQ(ReadLines("a\r\nb\x1a"
                        "c\r\nd\r\n"),
              (Lines{"a", "b"}));
    EXPECT_EQ(ReadLines("a\r\n\x1a"
                        "b"),
              (Lines{"a"}));
    EXPECT_EQ(ReadLines("a\r\x1a\n"), (Lines{"a"}));
    EXPECT_EQ(ReadLines("\x1a"
                        "abc"),
              Lines{});
    EXPECT_EQ(ReadLines(std::string("a\0b\r\n", 5)), (Lines{std::string("a\0b", 3)}));
}

TEST(LineReader, BufferEdges) {
    const std::size_t n = TTextLineReader::kBufferSize;
    // CR as the buffer's last byte, its LF the next buffer's first.
    EXPECT_EQ(ReadLines(std::string(n - 1, 'x') + "\r\ny"), (Lines{std::string(n - 1, 'x'), "y"}));
    // CR as the last byte, the next buffer starts with another CR.
    EXPECT_EQ(ReadLines(std::string(n - 1, 'x') + "\r\ry"),
              (Lines{std::string(n - 1, 'x'), "", "y"}));
    // CR at the very end of a file that fills the buffer exactly.
    EXPECT_EQ(ReadLines(std::string(n - 1, 'x') + "\r"), (Lines{std::string(n - 1, 'x')}));
    // A line spanning three buffers; Ctrl-Z in the third.
    EXPECT_EQ(ReadLines(std::string(2 * n + 10, 'x') + "\x1a"
                                                       "tail"),
              (Lines{std::string(2 * n + 10, 'x')}));
    // Ctrl-Z as the first byte of the second buffer right after a CR.
    EXPECT_EQ(ReadLines(std::string(n - 1, 'x') + "\r\x1a\nmore"),
              (Lines{std::string(n - 1, 'x')}));
}

TEST(LineReader, CappedReadKeepsTheStartAndCountsTheWholeLine) {
    const std::size_t n = TTextLineReader::kBufferSize;
    TScratchDir dir;
    const std::string big = std::string(3 * n, 'a') + "\r\nshort\r\n" + "abc";
    TTextLineReader reader(dir.Write("f.txt", big));
    std::string line;
    std::size_t length = 0;
    ASSERT_TRUE(reader.ReadLine(line, 264, length));
    EXPECT_EQ(line, std::string(264, 'a'));
    EXPECT_EQ(length, 3 * n);
    ASSERT_TRUE(reader.ReadLine(line, 264, length));
    EXPECT_EQ(line, "short");
    EXPECT_EQ(length, 5u);
    ASSERT_TRUE(reader.ReadLine(line, 2, length));
    EXPECT_EQ(line, "ab");
    EXPECT_EQ(length, 3u);
    EXPECT_FALSE(reader.ReadLine(line, 264, length));
}

TEST(LineReader, OpenFailuresUseThePlatformTexts) {
    TScratchDir dir;
    try {
        TTextLineReader reader(dir.Path("missing.txt"));
        FAIL();
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "File not found");
        EXPECT_EQ(e.Code(), 2);
    }
    EXPECT_THROW(TTextLineReader reader(dir.Path()), EInOutError);
    EXPECT_THROW(TTextLineReader reader(dir.Path("missing/x.txt")), EInOutError);
}

} // namespace
} // namespace morvane
