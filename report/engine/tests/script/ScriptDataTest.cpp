// Runs the script data files (tests/script/*.test). A file holds cases:
//   === title
//   @var NAME = TEXT        (optional) a dictionary variable for the case
//   source lines of the script
//   ---
//   EXPRESSION => VALUE     evaluated through the report after the run
//   !MESSAGE                the compile error entry, or the run's error
// Lines starting with "#" before a case are comments.
#include "../expr/ScriptTestFixture.h"

namespace report::testing {
namespace {

struct ScriptCase {
    std::string title;
    int line = 0;
    std::vector<std::pair<std::string, std::string>> variables;
    TrpStrings source;
    std::vector<DataLine> expectations;
};

std::vector<ScriptCase> ReadCases(const std::filesystem::path& file) {
    std::vector<ScriptCase> cases;
    bool inSource = false;
    for (const DataLine& line : ReadDataLines(file)) {
        const std::string& text = line.text;
        if (text.rfind("=== ", 0) == 0) {
            cases.push_back({text.substr(4), line.number, {}, {}, {}});
            inSource = true;
        } else if (cases.empty()) {
            continue;
        } else if (inSource && text == "---") {
            inSource = false;
        } else if (inSource && text.rfind("@var ", 0) == 0) {
            std::size_t eq = text.find(" = ");
            cases.back().variables.emplace_back(text.substr(5, eq - 5), text.substr(eq + 3));
        } else if (inSource) {
            cases.back().source.push_back(text);
        } else if (!text.empty() && text[0] != '#') {
            cases.back().expectations.push_back(line);
        }
    }
    return cases;
}

struct ScriptDataTest : ScriptTestFixture {
    // Compiles and runs the case; the error entry or message, or empty.
    std::string Run(const ScriptCase& script) {
        TrpStrings code, errors;
        EngineInterpretator().CompileScript(script.source, code, errors);
        if (!errors.empty())
            return errors.front();
        try {
            EngineInterpretator().RunScript(code);
        } catch (const std::exception& error) {
            return error.what();
        }
        return {};
    }

    void Check(const ScriptCase& script, const std::string& error) {
        bool errorExpected = false;
        for (const DataLine& line : script.expectations) {
            SCOPED_TRACE("line " + std::to_string(line.number));
            if (line.text[0] == '!') {
                errorExpected = true;
                EXPECT_EQ(error, line.text.substr(1));
                continue;
            }
            std::size_t arrow = line.text.rfind(" =>");
            ASSERT_NE(arrow, std::string::npos) << line.text;
            std::string expected = line.text.substr(arrow + 3);
            if (!expected.empty() && expected[0] == ' ')
                expected.erase(0, 1);
            EXPECT_EQ(Outcome(line.text.substr(0, arrow)), expected) << line.text;
        }
        if (!errorExpected) {
            EXPECT_EQ(error, "");
        }
    }
};

TEST_F(ScriptDataTest, EveryDataFile) {
    auto files = DataFiles("script");
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        for (const ScriptCase& script : ReadCases(file)) {
            SCOPED_TRACE(file.filename().string() + ":" + std::to_string(script.line) + " " +
                         script.title);
            Reset();
            for (const auto& [name, text] : script.variables)
                report.Dictionary.Variables.Set(name, text);
            Check(script, Run(script));
        }
    }
}

} // namespace
} // namespace report::testing
