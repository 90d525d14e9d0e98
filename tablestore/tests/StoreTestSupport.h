// Test helpers shared by the engine and the access-layer tests: the engine
// error code an action raises, and a scratch directory that lives as long
// as its owner.
//
// The scratch directory is created fresh under /tmp (mkdtemp, so two tests
// never share one) and removed with everything in it when the owner goes;
// a failure to create it throws, so no test runs without its directory.
#pragma once

#include "EngineError.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>

namespace tabula::storetest {

// The engine code the action raises, or 0 when it returns.
inline int CodeOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ETabulaEngineError& e) {
        return e.Code();
    }
    return 0;
}

class TScratchDir {
public:
    // prefix names the directory (".../prefix-XXXXXX") to tell tests apart.
    explicit TScratchDir(const std::string& prefix = "tabula-test") {
        // mkdtemp replaces the six trailing 'X' characters.
        std::string pattern = "/tmp/" + prefix + "-" + std::string(6, 'X');
        if (::mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed for " + pattern);
        path_ = pattern;
    }
    ~TScratchDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;

    const std::string& Path() const { return path_; }
    // The path of a file in the directory.
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

} // namespace tabula::storetest
