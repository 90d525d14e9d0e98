// Support of the tabula-sql tests: a scratch directory that removes itself.
#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace tabula::shell::test {

class TShellScratch {
public:
    TShellScratch() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("tabula-sql-" + std::to_string(random()) + "-" + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~TShellScratch() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TShellScratch(const TShellScratch&) = delete;
    TShellScratch& operator=(const TShellScratch&) = delete;

    std::string Path() const { return path_.string(); }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    std::string Write(const std::string& name, const std::string& text) const {
        std::ofstream(File(name), std::ios::binary) << text;
        return File(name);
    }

private:
    std::filesystem::path path_;
};

} // namespace tabula::shell::test
