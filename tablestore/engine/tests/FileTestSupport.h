// Helpers shared by the file-handler, lock and session tests: the code an
// operation raises, a scratch directory removed after each test, an engine started for each test,
// and a forked peer process driven through pipes.
#pragma once

#include "EngineError.h"
#include "FileSession.h"
#include "StoreTestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace tabula::filetest {

using storetest::CodeOf;

class ScratchDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratch_ = std::make_unique<storetest::TScratchDir>("tabula-test");
        dir_ = scratch_->Path();
        StartEngine();
    }
    void TearDown() override {
        StopEngine();
        scratch_.reset();
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    void WriteFile(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }

    std::unique_ptr<storetest::TScratchDir> scratch_;
    std::string dir_;
};

// A forked process that runs work(), reports its one-byte result to the
// parent, then waits for the parent's go-ahead before exiting. The child
// keeps whatever handles work() opened (and their locks) until released.
class TPeer {
public:
    // work returns the byte to report ('1' success, '0' failure, or any code).
    explicit TPeer(const std::function<char()>& work) {
        int up[2], down[2];
        if (::pipe(up) != 0 || ::pipe(down) != 0)
            std::abort();
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(up[0]);
            ::close(down[1]);
            char result;
            try {
                result = work();
            } catch (...) {
                result = 'x';
            }
            if (::write(up[1], &result, 1) != 1)
                ::_exit(2);
            char go;
            ssize_t n = ::read(down[0], &go, 1);
            ::_exit(n == 1 ? 0 : 3);
        }
        ::close(up[1]);
        ::close(down[0]);
        fromChild_ = up[0];
        toChild_ = down[1];
    }
    ~TPeer() { Release(); }

    // The child's reported byte (blocks until work() is done).
    char Result() {
        if (!haveResult_) {
            if (::read(fromChild_, &result_, 1) != 1)
                result_ = '?';
            haveResult_ = true;
        }
        return result_;
    }
    // Lets the child exit (closing its handles) and reaps it.
    void Release() {
        if (pid_ <= 0)
            return;
        Result();
        char go = 'g';
        if (::write(toChild_, &go, 1) != 1) {
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        ::close(fromChild_);
        ::close(toChild_);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int fromChild_ = -1;
    int toChild_ = -1;
    bool haveResult_ = false;
    char result_ = 0;
};

} // namespace tabula::filetest
