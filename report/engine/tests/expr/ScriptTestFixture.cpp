// Reading the test data files.
#include "ScriptTestFixture.h"

#include <fstream>

namespace report::testing {

std::vector<DataLine> ReadDataLines(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::vector<DataLine> lines;
    std::string text;
    int number = 0;
    while (std::getline(in, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        lines.push_back({number, text});
    }
    return lines;
}

} // namespace report::testing
