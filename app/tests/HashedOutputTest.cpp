// The temporary copy, HashFile and the hashed output file: contents, the line
// rules they inherit, and failures that must leave no output behind.
#include "HashedOutput.h"

#include "InOutError.h"
#include "SHA1.h"
#include "TestRecords.h"
#include "TextLineReader.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace morvane {
namespace {

namespace fs = std::filesystem;

class HashedOutputTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return scratch_.Path(name); }

    static void Put(const std::string& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static std::string DigestOf(const std::string& bytes) {
        TSha1Context context;
        Sha1Init(context);
        Sha1Update(context, bytes.data(), bytes.size());
        TSha1Digest digest;
        Sha1Final(context, digest);
        return DigestText(digest);
    }
    // Names in the test folder, the temporary files of a failed write included.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(scratch_.Path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // The line rules as the line reader applies them: every line with CR LF.
    static std::string RewriteLineByLine(const std::string& path) {
        TTextLineReader reader(path);
        std::string line, text;
        while (reader.ReadLine(line)) {
            text += line + "\r\n";
        }
        return text;
    }
    // Runs the whole output road on `input` and returns the output file.
    std::string Road(const std::string& input) {
        Put(Path("input.txt"), input);
        WriteTempCopy(Path("input.txt"), Path("TempNewFile.txt"));
        TSha1Digest digest;
        EXPECT_TRUE(HashFile(Path("TempNewFile.txt"), digest));
        WriteOutputFile(DigestText(digest), Path("TempNewFile.txt"), Path("out"));
        return Get(Path("out"));
    }

    test::TScratchDir scratch_;
};

TEST_F(HashedOutputTest, HashFileAroundTheReadSize) {
    std::mt19937 random(3);
    for (const std::size_t size : {0, 1, 8191, 8192, 8193, 3 * 8192, 262143, 262144, 262145}) {
        std::string bytes(size, '\0');
        for (auto& c : bytes) {
            c = static_cast<char>(random());
        }
        Put(Path("f"), bytes);
        TSha1Digest digest;
        ASSERT_TRUE(HashFile(Path("f"), digest));
        EXPECT_EQ(DigestText(digest), DigestOf(bytes)) << size;
    }
    TSha1Digest digest;
    EXPECT_FALSE(HashFile(Path("missing"), digest));
    EXPECT_FALSE(HashFile(scratch_.Path(), digest));
}

TEST_F(HashedOutputTest, DigestTextIsFortyUpperCaseDigits) {
    TSha1Digest digest{};
    digest[0] = 0x0A;
    digest[1] = 0xF0;
    digest[19] = 0xFF;
    EXPECT_EQ(DigestText(digest), "0AF0" + std::string(34, '0') + "FF");
}

TEST_F(HashedOutputTest, CleanCrLfFileIsCopiedUnchangedBehindItsDigest) {
    const std::string input = "001 header\r\n002 detail\r\n999 trailer\r\n";
    const std::string output = Road(input);
    EXPECT_EQ(Get(Path("TempNewFile.txt")), input);
    EXPECT_EQ(output, DigestOf(input) + "\r\n" + input);
}

TEST_F(HashedOutputTest, LineEndsAreNormalisedToCrLf) {
    const std::string canonical = "one\r\ntwo\r\nthree\r\n";
    const std::string expected = DigestOf(canonical) + "\r\n" + canonical;
    EXPECT_EQ(Road("one\r\ntwo\r\nthree"), expected);           // no final line end
    EXPECT_EQ(Road("one\rtwo\rthree\r"), expected);             // CR only
    EXPECT_EQ(Road("one\rtwo\r\nthree\x1Atail\r\n"), expected); // Ctrl-Z ends the input
    // A lone LF is an ordinary byte; an empty line between two line ends stays.
    EXPECT_EQ(Get(Path("TempNewFile.txt")), canonical);
    Road("a\nb\r\r\nc");
    EXPECT_EQ(Get(Path("TempNewFile.txt")), "a\nb\r\n\r\nc\r\n");
    Road("");
    EXPECT_EQ(Get(Path("TempNewFile.txt")), "");
    EXPECT_EQ(Get(Path("out")), DigestOf("") + "\r\n");
}

// The copy is what reading the input line by line and writing every line
// with CR LF gives, whatever the bytes; copying it again changes nothing; and
// the bytes behind the output's digest line are exactly the copy.
TEST_F(HashedOutputTest, CopyMatchesLineByLineRewrite) {
    std::mt19937 random(11);
    const char alphabet[] = {'a', '0', ' ', '\r', '\n', '\n', '\r', '\x1A', '\0', '\xFF'};
    const auto randomText = [&](std::size_t size, std::size_t ctrlZOneIn) {
        std::string text(size, ' ');
        for (auto& c : text) {
            c = alphabet[std::uniform_int_distribution<std::size_t>(0, std::size(alphabet) -
                                                                           1)(random)];
            if (c == '\x1A' && random() % ctrlZOneIn != 0) {
                c = 'z';
            }
        }
        return text;
    };
    for (int round = 0; round < 120; ++round) {
        const std::string input =
            randomText(std::uniform_int_distribution<std::size_t>(0, 300)(random), 2);
        Put(Path("input.txt"), input);
        WriteTempCopy(Path("input.txt"), Path("TempNewFile.txt"));
        const std::string copy = Get(Path("TempNewFile.txt"));
        ASSERT_EQ(copy, RewriteLineByLine(Path("input.txt"))) << round;
        if (round % 10 == 0) {
            WriteTempCopy(Path("TempNewFile.txt"), Path("again.txt"));
            ASSERT_EQ(Get(Path("again.txt")), copy);
        }
        if (round % 40 == 0) {
            ASSERT_EQ(Road(input), DigestOf(copy) + "\r\n" + copy);
        }
    }
    // An input of several blocks with a line end, a lone CR or a Ctrl-Z
    // straddling every 64 KiB boundary (and so every 1 MiB one), each seam
    // shifted by 0 to 2 bytes.
    const std::string seams[] = {"\r\n", "\r\r\n", "\rx", "\r\n\n", "\r\n\r"};
    std::string seamed;
    for (std::size_t k = 1; k <= 96; ++k) {
        const std::size_t boundary = k << 16;
        const std::string& seam = seams[k % std::size(seams)];
        seamed.resize(boundary - 1 - (k / 16) % 3, 'a');
        seamed += seam;
    }
    Put(Path("input.txt"), seamed);
    WriteTempCopy(Path("input.txt"), Path("TempNewFile.txt"));
    EXPECT_TRUE(Get(Path("TempNewFile.txt")) == RewriteLineByLine(Path("input.txt")));
    Put(Path("input.txt"), std::string((1 << 20) - 1, 'a') + "\r\x1A\n");
    WriteTempCopy(Path("input.txt"), Path("TempNewFile.txt"));
    EXPECT_TRUE(Get(Path("TempNewFile.txt")) == std::string((1 << 20) - 1, 'a') + "\r\n");

    const std::string output = Road(randomText(2 << 20, 1 << 22));
    const std::string copy = Get(Path("TempNewFile.txt"));
    EXPECT_EQ(copy, RewriteLineByLine(Path("input.txt")));
    EXPECT_TRUE(output == DigestOf(copy) + "\r\n" + copy);
}

// A file without any CR is one single line; rewriting it must not hold that
// line in memory (the peak would grow by the file's size).
TEST_F(HashedOutputTest, CopyOfOneHugeLineKeepsMemoryFlat) {
    constexpr std::size_t kSize = std::size_t{64} << 20;
    {
        std::ofstream out(Path("input.txt"), std::ios::binary);
        const std::string chunk(1 << 20, '\n');
        for (std::size_t written = 0; written < kSize; written += chunk.size()) {
            out << chunk;
        }
    }
    struct rusage before {
    }, after{};
    ::getrusage(RUSAGE_SELF, &before);
    WriteTempCopy(Path("input.txt"), Path("TempNewFile.txt"));
    ::getrusage(RUSAGE_SELF, &after);
    EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 16 * 1024) << "KiB";
    EXPECT_EQ(fs::file_size(Path("TempNewFile.txt")), kSize + 2);
}

TEST_F(HashedOutputTest, CopyOntoItsOwnInputKeepsTheLines) {
    Put(Path("TempNewFile.txt"), "x\ry\r");
    WriteTempCopy(Path("TempNewFile.txt"), Path("TempNewFile.txt"));
    EXPECT_EQ(Get(Path("TempNewFile.txt")), "x\r\ny\r\n");
}

TEST_F(HashedOutputTest, ExistingOutputIsReplacedWhole) {
    Put(Path("out"), std::string(10000, 'z'));
    EXPECT_EQ(Road("short\r\n"), DigestOf("short\r\n") + "\r\nshort\r\n");
}

TEST_F(HashedOutputTest, FailuresLeaveNoOutputAndNoTemporaryFile) {
    Put(Path("TempNewFile.txt"), "line\r\n");
    Put(Path("plain"), "a file where a folder should be");
    fs::create_directory(Path("folder"));
    const std::vector<std::string> before = Entries();
    const auto expectFailure = [&](const std::string& output, const std::string& message) {
        try {
            WriteOutputFile("D", Path("TempNewFile.txt"), output);
            ADD_FAILURE() << output << " was written";
        } catch (const EInOutError& e) {
            EXPECT_EQ(std::string(e.what()), message) << output;
        }
        EXPECT_EQ(Entries(), before) << output;
        EXPECT_TRUE(fs::is_empty(Path("folder")));
    };
    expectFailure(Path("no-such-folder/out"), "Path not found");
    expectFailure(Path("plain/out"), "Path not found");
    expectFailure(Path("folder"), "File access denied"); // a folder stands at the path

    // A missing copy is reported before anything is created.
    try {
        WriteOutputFile("D", Path("no-copy.txt"), Path("out"));
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "File not found");
    }
    EXPECT_EQ(Entries(), before);
    try {
        WriteTempCopy(Path("no-input.txt"), Path("TempNewFile.txt"));
        ADD_FAILURE();
    } catch (const EInOutError& e) {
        EXPECT_EQ(std::string(e.what()), "File not found");
    }
    EXPECT_EQ(Get(Path("TempNewFile.txt")), "line\r\n");
}

// A write that fails part way (here: the file-size limit, standing in for a
// full disk) removes the partial file and keeps the previous output.
TEST_F(HashedOutputTest, WriteFailingMidwayKeepsThePreviousFile) {
    const std::string big(3 << 20, 'b');
    Put(Path("TempNewFile.txt"), big + "\r\n");
    Put(Path("out"), "previous");
    const std::vector<std::string> before = Entries();

    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto savedHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limited = saved;
    limited.rlim_cur = 1 << 20;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    std::string message, copyMessage;
    try {
        WriteOutputFile("D", Path("TempNewFile.txt"), Path("out"));
    } catch (const EInOutError& e) {
        message = e.what();
    }
    try {
        WriteTempCopy(Path("TempNewFile.txt"), Path("copy.txt"));
    } catch (const EInOutError& e) {
        copyMessage = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, savedHandler);

    EXPECT_EQ(message, "Disk write error");
    EXPECT_EQ(copyMessage, "Disk write error");
    EXPECT_EQ(Entries(), before);
    EXPECT_EQ(Get(Path("out")), "previous");
}

} // namespace
} // namespace morvane
