// morvane-check as a user runs it: exit statuses, plain and JSON output,
// Latin-1 bytes in JSON, the output file, usage errors.
#include "TestRecords.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace morvane {
namespace {

using test::CleanLines;
using test::Crlf;
using test::ReadAll;

constexpr const char* kCheck = MORVANE_BIN_DIR "/morvane-check";

struct TResult {
    int Status = -1;
    std::string Out, Err;
};

class CheckCliTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(kCheck)) << kCheck << " is not built";
    }
    // Runs morvane-check with `args` (already shell-quoted where needed),
    // from the scratch directory.
    TResult Check(const std::string& args) {
        const std::string cmd = "cd '" + dir.Path() + "' && '" + kCheck + "' " + args + " >'" +
                                dir.Path("stdout") + "' 2>'" + dir.Path("stderr") + "'";
        const int raw = std::system(cmd.c_str());
        TResult r;
        r.Status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.Out = ReadAll(dir.Path("stdout"));
        r.Err = ReadAll(dir.Path("stderr"));
        return r;
    }
    std::string DataArg() { return "--data-dir '" + dir.Path() + "'"; }

    test::TScratchDir dir;
};

TEST_F(CheckCliTest, CleanFileJson) {
    dir.Write("reg.txt", Crlf(CleanLines(2)));
    const auto r = Check(DataArg() + " --json reg.txt");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out.rfind("{\"file\":\"reg.txt\",\"valid\":true,\"layout\":\"field\",\"rows\":[],"
                          "\"companyId\":\"COMP01\",\"status\":\"File Validate Success \","
                          "\"digest\":\"",
                          0),
              0u)
        << r.Out;
    EXPECT_NE(r.Out.find("\",\"output\":\"\",\"message\":\"Success Data. \",\"error\":null}\n"),
              std::string::npos)
        << r.Out;
    EXPECT_EQ(ReadAll(dir.Path("TempNewFile.txt")), Crlf(CleanLines(2)));
}

TEST_F(CheckCliTest, FaultsJsonCarriesNineCellsPerRowAndLatin1Bytes) {
    auto lines = CleanLines(1);
    test::Put(lines[1], 45,
              "12\t45\xff"
              "7896");
    dir.Write("r\xe9g.txt", Crlf(lines));
    const auto r = Check(DataArg() + " --json 'r\xe9g.txt'");
    EXPECT_EQ(r.Status, 1) << r.Err;
    const std::string file = "r\xc3\xa9g.txt";
    const std::string expected =
        "{\"file\":\"" + file + "\",\"valid\":false,\"layout\":\"field\",\"rows\":[[\"1\",\"" +
        file +
        "\",\"002\",\"2\",\"45-69\",\"Account Number \",\"This field should be number\","
        "\"12\\t45\xc3\xbf"
        "7896               \",\"\"]],\"companyId\":\"COMP01\","
        "\"status\":\"Invalid data fields\",\"digest\":\"\",\"output\":\"\",\"message\":\"\","
        "\"error\":null}\n";
    EXPECT_EQ(r.Out, expected);
}

TEST_F(CheckCliTest, RecordTypeFaultsPlain) {
    dir.Write("reg.txt", "001short\r\nXX\r\n");
    const auto r = Check(DataArg() + " reg.txt");
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "No.\tFile Name\tRecord Type\tLine\tMessage\n"
                     "1\treg.txt\t001 \t1\tLength in record invalid\n"
                     "2\treg.txt\tRecord type invalid code\t2\t\n"
                     "Status: Invalid data fields\n"
                     "Digest: \n"
                     "Message: Error Data. \n");
}

TEST_F(CheckCliTest, OutputIntoAFolderAndAtAPath) {
    const std::string input = Crlf(CleanLines(2));
    dir.Write("reg.txt", input);
    std::filesystem::create_directory(dir.Path("out"));
    auto r = Check(DataArg() + " --output out/ reg.txt");
    EXPECT_EQ(r.Status, 0) << r.Err;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path("out"))) {
        names.push_back(e.path().filename().string());
    }
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(names[0].rfind("KVL.RX317.TLNREG.RQ.", 0), 0u);
    EXPECT_EQ(names[0].size(), 20u + 14u);
    EXPECT_NE(r.Out.find("Output: out/" + names[0] + "\n"), std::string::npos) << r.Out;
    const std::string written = ReadAll(dir.Path("out/" + names[0]));
    EXPECT_EQ(written.substr(42), input);

    r = Check(DataArg() + " --output=named.out --json reg.txt");
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(ReadAll(dir.Path("named.out")), written);
    EXPECT_NE(r.Out.find("\"output\":\"named.out\""), std::string::npos);
}

TEST_F(CheckCliTest, StoppedRunsExitTwoWithTheMessageOnStderr) {
    auto r = Check(DataArg() + " --json missing.txt");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "morvane-check: File not found\n");
    EXPECT_NE(r.Out.find("\"valid\":false,\"layout\":\"record-type\",\"rows\":[]"),
              std::string::npos);
    EXPECT_NE(r.Out.find("\"error\":\"File not found\"}"), std::string::npos);

    auto lines = CleanLines(2);
    test::Put(lines[1], 207, " ");
    lines.back() = test::Trailer("00002.");
    dir.Write("conv.txt", Crlf(lines));
    r = Check(DataArg() + " --json conv.txt");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Err, "morvane-check: '00002.' is not a valid integer value\n");
    EXPECT_NE(r.Out.find("\"This field should not be space\""), std::string::npos);
    EXPECT_NE(r.Out.find("\"error\":\"'00002.' is not a valid integer value\"}"),
              std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("TempNewFile.txt")));

    dir.Write("reg.txt", Crlf(CleanLines(1)));
    r = Check(DataArg() + " --output no/such/dir/out.txt reg.txt");
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Err.find("morvane-check: "), std::string::npos);
    EXPECT_NE(r.Out.find("Digest: "), std::string::npos);
}

TEST_F(CheckCliTest, UsageErrors) {
    for (const char* args : {"", "--json", "--bogus reg.txt", "--output", "reg.txt --data-dir",
                             "a.txt b.txt", "--output= reg.txt", "reg.txt --report"}) {
        const auto r = Check(args);
        EXPECT_EQ(r.Status, 2) << args;
        EXPECT_EQ(r.Out, "") << args;
        EXPECT_NE(r.Err.find("Usage: morvane-check [--data-dir DIR] [--output PATH] "
                             "[--report FILE.pdf] [--json] FILE"),
                  std::string::npos)
            << args;
    }
    const auto help = Check("--help");
    EXPECT_EQ(help.Status, 0);
    EXPECT_NE(help.Out.find("Usage:"), std::string::npos);
    EXPECT_EQ(help.Err, "");
    // "--" ends the options: a file may start with a dash.
    dir.Write("-reg.txt", Crlf(CleanLines(1)));
    EXPECT_EQ(Check(DataArg() + " -- -reg.txt").Status, 0);
}

TEST_F(CheckCliTest, DefaultDataDirectoryIsBesideTheExecutable) {
    const std::string copy = std::string(MORVANE_BIN_DIR) + "/Data/TempNewFile.txt";
    if (!std::filesystem::is_directory(std::string(MORVANE_BIN_DIR) + "/Data")) {
        GTEST_SKIP() << "no Data/ directory beside the executable";
    }
    auto lines = CleanLines(1);
    test::Put(lines[0], 48, "UNIQUE-" + std::to_string(::getpid()));
    dir.Write("reg.txt", Crlf(lines));
    const auto r = Check("reg.txt");
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("Data")));
    EXPECT_EQ(ReadAll(copy), Crlf(lines));
}

// --report: the summary report of a clean run as a PDF file. A build
// without the report engine refuses the option; the engine's page export may
// not be in every build yet, and the written-file case is skipped then.
class CheckReportTest : public CheckCliTest {
protected:
    void SetUp() override {
        CheckCliTest::SetUp();
        const auto probe = Check("--report x.pdf --help");
        if (probe.Err.find("built without Qt") != std::string::npos)
            GTEST_SKIP() << "morvane-check has no report engine";
    }
    static bool ExportMissing(const TResult& r) {
        return r.Err.find("not available in this build") != std::string::npos;
    }
};

TEST_F(CheckReportTest, RunWithFaultsWritesNoReportAndStops) {
    auto lines = CleanLines(2);
    test::Put(lines[1], 207, "9");
    dir.Write("reg.txt", Crlf(lines));
    const auto r = Check(DataArg() + " --report out.pdf reg.txt");
    EXPECT_EQ(r.Status, 2) << r.Err;
    EXPECT_NE(r.Err.find("no report written: the run was not clean"), std::string::npos) << r.Err;
    EXPECT_NE(r.Out.find("Invalid data fields"), std::string::npos) << "the grid is still shown";
    EXPECT_FALSE(std::filesystem::exists(dir.Path("out.pdf")));
}

TEST_F(CheckReportTest, UnwritableTargetStopsAndLeavesNothing) {
    dir.Write("reg.txt", Crlf(CleanLines(2)));
    const std::string target = dir.Path("no-such-folder/out.pdf");
    const auto r = Check(DataArg() + " --report '" + target + "' reg.txt");
    EXPECT_EQ(r.Status, 2) << r.Err;
    EXPECT_NE(r.Err.find(target), std::string::npos) << "the message names the file: " << r.Err;
    EXPECT_FALSE(std::filesystem::exists(dir.Path("no-such-folder")));
    // The run itself was clean: its digest is shown.
    EXPECT_NE(r.Out.find("Status: File Validate Success "), std::string::npos) << r.Out;
}

TEST_F(CheckReportTest, CleanRunWritesTheSummaryPdf) {
    auto lines = test::CleanLines(3);
    lines[0] = test::Header("BATCH1", "O'NEIL");
    dir.Write("reg.txt", Crlf(lines));
    const auto r = Check(DataArg() + " --report summary.pdf reg.txt");
    if (r.Status == 2 && ExportMissing(r))
        GTEST_SKIP() << r.Err;
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::string pdf = ReadAll(dir.Path("summary.pdf"));
    ASSERT_EQ(pdf.rfind("%PDF", 0), 0u);
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find("summary.pdf."), std::string::npos)
            << "temporary file left: " << entry.path();
    if (std::system("command -v pdftotext >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "pdftotext is not installed";
    const std::string text = dir.Path("summary.txt");
    ASSERT_EQ(std::system(("pdftotext '" + dir.Path("summary.pdf") + "' '" + text + "'").c_str()),
              0);
    const std::string words = ReadAll(text);
    EXPECT_NE(words.find("Payee registration summary"), std::string::npos) << words;
    EXPECT_NE(words.find("O'NEIL"), std::string::npos) << words;
}

} // namespace
} // namespace morvane
