// tabula-sql run as a process: a piped script, statement arguments, each
// output mode of SELECT, the meta-commands, errors on standard error with
// the session going on, .import stopping at a bad line, and the exit
// statuses.
#include "ShellTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/wait.h>
#include <vector>

namespace tabula::shell {
namespace {

struct TRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (const char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ShellProcess : public ::testing::Test {
protected:
    // Runs tabula-sql with the arguments, the input piped to it, from the
    // working directory when one is given.
    TRun Run(const std::vector<std::string>& args, const std::string& input = {},
             const std::string& workingDirectory = {}) {
        std::string command = Quote(TABULA_SQL_PATH);
        if (!workingDirectory.empty())
            command = "cd " + Quote(workingDirectory) + " && " + command;
        for (const std::string& arg : args)
            command += " " + Quote(arg);
        const std::string in = scratch.Write("stdin.txt", input);
        command += " < " + Quote(in) + " > " + Quote(scratch.File("stdout.txt")) + " 2> " +
                   Quote(scratch.File("stderr.txt"));
        const int raw = std::system(command.c_str());
        TRun run;
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        run.out = ReadAll(scratch.File("stdout.txt"));
        run.err = ReadAll(scratch.File("stderr.txt"));
        return run;
    }
    TRun Sql(const std::vector<std::string>& statements, const char* mode = "--box") {
        std::vector<std::string> args{mode, db.Path()};
        args.insert(args.end(), statements.begin(), statements.end());
        return Run(args);
    }
    void MakeTable() {
        const TRun made = Sql({".create R (No INTEGER NOT NULL, Action STRING(16), Amount MONEY) "
                               "PRIMARY KEY (No)",
                               "INSERT INTO R VALUES (1, 'Add', 2.5)",
                               "INSERT INTO R VALUES (2, 'Say \"hi\", x', NULL)"});
        ASSERT_EQ(made.status, 0) << made.err;
    }

    test::TShellScratch scratch;
    test::TShellScratch db;
};

TEST_F(ShellProcess, PipedScriptRunsEveryStatementAndGoesOnAfterAnError) {
    const std::string script = ".create T (No INTEGER, Name STRING(8)) PRIMARY KEY (No)\n"
                               "\n"
                               "INSERT INTO T\n"
                               "  VALUES (1, 'one');\n"
                               "INSERT INTO Tx VALUES (2, 'two');\n"
                               "INSERT INTO T VALUES (3, 'three'); \n"
                               "INSERT INTO T VALUES (4, 'four')";
    // The last statement has no ";": the end of the input ends it.
    const TRun run = Run({db.Path()}, script);
    EXPECT_EQ(run.status, 1);
    // The failure is the engine's message, alone on standard error.
    EXPECT_EQ(run.err.rfind("Tabula Engine Error # ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Tx"), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
    EXPECT_EQ(Run({db.Path()}, ".verify T\n").out,
              "T: 3 record slots, 3 live records, 0 BLOB chains, 0 findings\n");
}

TEST_F(ShellProcess, RepairListsWhatItRebuiltAndChecksTheTable) {
    MakeTable();
    const TRun run = Sql({".repair R"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "repair: indexes rebuilt from 2 live records\n"
                       "R repaired: 2 records kept, 0 dropped, 0 BLOBs emptied\n"
                       "R: 2 record slots, 2 live records, 0 BLOB chains, 0 findings\n");
    EXPECT_EQ(Sql({".repair Missing"}).status, 1);
}

TEST_F(ShellProcess, ExitStatusesForSuccessFailureUsageAndUnusableDirectory) {
    EXPECT_EQ(Run({db.Path(), ".tables"}).status, 0);
    EXPECT_EQ(Run({db.Path(), "DELETE FROM Missing", ".tables"}).status, 1);
    const TRun usage = Run({});
    EXPECT_EQ(usage.status, 2);
    EXPECT_NE(usage.err.find("usage: tabula-sql"), std::string::npos);
    EXPECT_EQ(Run({"--xml", db.Path()}).status, 2);
    EXPECT_EQ(Run({"--password"}).status, 2);
    EXPECT_EQ(Run({db.File("no-such-dir")}).status, 2);
    EXPECT_EQ(Run({scratch.Write("plain.txt", "x")}).status, 2);
    // An engine error is the exact message; the next statement still runs.
    const TRun bad = Run({db.Path(), "SELEC x", ".create Z (a INTEGER)", ".tables"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Tabula Engine Error # 11949 SQL - SELECT, INSERT, UPDATE, or DELETE "
                       "keyword expected, instead found 'SELEC'\n");
    EXPECT_EQ(bad.out, "Z\n");
}

TEST_F(ShellProcess, MetaCommandsListDescribeRecreateVerifyAndDropTables) {
    const std::string definition =
        "R (No INTEGER NOT NULL, Name STRING(20), Amount MONEY, Rate BCD(20,2), Day DATE, "
        "Note MEMO) PRIMARY KEY (No) INDEX ByName (Name DESC) UNIQUE NOCASE";
    TRun run = Sql({".create " + definition, ".schema R"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, ".create " + definition + "\n");
    // What .schema prints makes the same table again.
    std::string copy = run.out;
    copy.replace(copy.find(" R "), 3, " S ");
    run = Run({db.Path()}, copy + ".schema S\n.tables\n");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, copy + "R\nS\n");
    run = Sql({".verify S", ".drop S;", ".tables"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "S: 0 record slots, 0 live records, 0 BLOB chains, 0 findings\nR\n");
    // Failures of meta-commands: the engine's message where the engine
    // refused, the command's own otherwise.
    run = Sql({".drop S", ".schema", ".frobnicate", ".create R (a INTEGER)"});
    EXPECT_EQ(run.status, 1);
    std::istringstream errors(run.err);
    std::string line;
    std::getline(errors, line);
    EXPECT_EQ(line.rfind("Tabula Engine Error # ", 0), 0u) << line;
    std::getline(errors, line);
    EXPECT_EQ(line, "usage: .schema TABLE");
    std::getline(errors, line);
    EXPECT_EQ(line, "unknown command .frobnicate (.help lists them)");
    // An existing table is never replaced by .create.
    std::getline(errors, line);
    EXPECT_EQ(line, "table R already exists");
    EXPECT_EQ(Sql({".schema R"}).out, ".create " + definition + "\n");
    // .help lists the commands; .quit ends the session before what follows.
    run = Run({db.Path()}, ".help\n.quit\nDELETE FROM Missing;\n");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find(".import TABLE FILE"), std::string::npos);
}

TEST_F(ShellProcess, ImportStopsAtTheBadLineAndKeepsTheRowsBeforeIt) {
    MakeTable();
    const std::string csv = scratch.Write("in.csv", "no,ACTION,Amount\r\n"
                                                    "3,\"Multi\nline\",1.5\r\n"
                                                    "4,,\r\n"
                                                    "5,Ok,x\r\n"
                                                    "6,Never,1\r\n");
    TRun run = Sql({".import R " + csv, ".verify R"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err.rfind("line 5: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("(2 rows imported before it)"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "R: 4 record slots, 4 live records, 0 BLOB chains, 0 findings\n");
    // A clean file reports its count; a header naming no field is refused.
    run = Sql({".import R " + scratch.Write("ok.csv", "No\n7\n8\n")});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "2 rows imported\n");
    run = Sql({".import R " + scratch.Write("bad.csv", "No,Colour\n9,red\n")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "line 1: the table has no field 'Colour'\n");
}

// DIR relative to the working directory names the same tables as its full
// path, for SQL as for the meta-commands.
TEST_F(ShellProcess, RelativeDirectoryServesStatementsAndMetaCommands) {
    MakeTable();
    const std::filesystem::path dir(db.Path());
    const TRun run = Run({"--csv", dir.filename().string(), "SELECT No FROM R ORDER BY No",
                          "DELETE FROM R WHERE No = 2", ".tables"},
                         {}, dir.parent_path().string());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "No\r\n1\r\n2\r\nR\n");
}

TEST_F(ShellProcess, SelectInBoxMode) {
    MakeTable();
    const TRun run = Sql({"SELECT No, Action, Amount FROM R ORDER BY No"}, "--box");
    EXPECT_EQ(run.status, 0) << run.err;
    // Each column as wide as its widest text, header included.
    EXPECT_EQ(run.out, "No | Action      | Amount\n"
                       "---+-------------+-------\n"
                       "1  | Add         | 2.5\n"
                       "2  | Say \"hi\", x | \n"
                       "(2 rows)\n");
}

TEST_F(ShellProcess, SelectInCsvMode) {
    MakeTable();
    const TRun run = Sql({"SELECT No, Action, Amount FROM R ORDER BY No"}, "--csv");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "No,Action,Amount\r\n1,Add,2.5\r\n2,\"Say \"\"hi\"\", x\",\r\n");
}

TEST_F(ShellProcess, SelectInJsonModeOneObjectPerStatement) {
    MakeTable();
    const TRun run =
        Sql({"SELECT No, Action, Amount FROM R ORDER BY No", "SELECT No FROM R WHERE No = 2"},
            "--json");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "{\"columns\": [{\"name\": \"No\", \"type\": \"INTEGER\", \"size\": 0}, "
                       "{\"name\": \"Action\", \"type\": \"STRING\", \"size\": 16}, "
                       "{\"name\": \"Amount\", \"type\": \"MONEY\", \"size\": 0}], "
                       "\"rows\": [[1, \"Add\", 2.5], [2, \"Say \\\"hi\\\", x\", null]]}\n"
                       "{\"columns\": [{\"name\": \"No\", \"type\": \"INTEGER\", \"size\": 0}], "
                       "\"rows\": [[2]]}\n");
}

} // namespace
} // namespace tabula::shell
