// A DELETE against a table whose table lock another process holds: Execute
// fails with kErrTableLocked after the retries, nothing is deleted, and the query is
// left unprepared.
#include "EngineCodes.h"
#include "EngineError.h"
#include "QueryTestSupport.h"

#include <chrono>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tabula {
namespace {

using namespace querytest;

class QueryLock : public ::testing::Test {
protected:
    void TearDown() override { DefaultSession().SetActive(false); }
};

TEST_F(QueryLock, DeleteFailsWhileAnotherProcessHoldsTheTableLock) {
    TScratchDir dir;
    CreateTable(dir.Table("ReportTableDetail"), "No int32, Action string 10", {"No"});
    for (int i = 1; i <= 3; ++i)
        ASSERT_EQ(RunSql(dir.Path(),
                         "INSERT INTO ReportTableDetail VALUES (" + std::to_string(i) + ", 'Add')"),
                  "ok");

    int ready[2];
    int release[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(release), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The holder: takes the table lock, says so, waits to be released.
        int status = 1;
        try {
            TDataFile t;
            t.SetFileName(dir.Table("ReportTableDetail"));
            t.Open();
            t.LockTable();
            char c = 'r';
            if (write(ready[1], &c, 1) == 1 && read(release[0], &c, 1) == 1)
                status = 0;
            t.UnlockTable();
            t.Close();
        } catch (...) {
        }
        _exit(status);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);

    auto query = MakeQuery(dir.Path(), "Delete From ReportTableDetail");
    query->SetLockRetryCount(3);
    query->SetLockWaitTime(10);
    const auto start = std::chrono::steady_clock::now();
    int code = 0;
    try {
        query->Execute();
    } catch (const ETabulaEngineError& e) {
        code = e.Code();
        EXPECT_NE(std::string(e.what()).find("is already locked by another user"),
                  std::string::npos)
            << e.what();
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(code, kErrTableLocked);
    // Three retries 10 ms apart were waited for.
    EXPECT_GE(waited, std::chrono::milliseconds(20));
    EXPECT_FALSE(query->Prepared());

    ASSERT_EQ(write(release[1], &c, 1), 1);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    EXPECT_EQ(Rows(dir.Table("ReportTableDetail")),
              (std::vector<std::string>{"1|Add", "2|Add", "3|Add"}));
    // Once the lock is gone the same query runs.
    query->Execute();
    EXPECT_TRUE(Rows(dir.Table("ReportTableDetail")).empty());
    for (int fd : {ready[0], ready[1], release[0], release[1]})
        close(fd);
}

} // namespace
} // namespace tabula
