// Random and mutated texts through the expression parser, the memo
// expansion and the script compiler and runner: every input must end in a
// value or an error, never a crash or a hang. Loops end when the report
// is terminated from outside (as a progress window's Cancel would).
#include "ScriptTestFixture.h"

#include <random>

namespace report::testing {
namespace {

const char* const kTokens[] = {
    "1",
    "2.5",
    ",5",
    "'a'",
    "''''",
    "'",
    "\"",
    "x",
    "Memo1.Visible",
    "[",
    "]",
    "(",
    ")",
    "+",
    "-",
    "*",
    "/",
    "=",
    "<>",
    "<=",
    ">=",
    "<",
    ">",
    "and",
    "or",
    "not",
    "mod",
    "int",
    "frac",
    "round",
    "str",
    "if(",
    "copy(",
    ",",
    ";",
    "#",
    "%a",
    "begin",
    "end",
    "if",
    "then",
    "else",
    "while",
    "do",
    "repeat",
    "until",
    "for",
    ":=",
    "to",
    "goto",
    "10:",
    "{",
    "}",
    "//",
    "exit",
    "inc(",
    "arr[",
    "PAGE#",
    "CRLF",
    "Null",
    " ",
    "\r",
    "1e308",
    "round(1e300)",
    "s := s + s",
    "while 1 do",
    "a := a + 1",
    "strtodate('1.1.1')",
    "[a #N0.00]",
    "dayof(99999999)",
    "maxnum(",
    "setarray(a,1,2)",
    "stopreport",
};

std::string RandomText(std::mt19937& rng) {
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kTokens) - 1);
    std::uniform_int_distribution<int> length(1, 30);
    std::string text;
    for (int i = length(rng); i > 0; --i)
        text += std::string(kTokens[pick(rng)]) + (rng() % 2 ? " " : "");
    return text;
}

std::string Mutate(std::string text, std::mt19937& rng) {
    for (int i = static_cast<int>(rng() % 4); i >= 0 && !text.empty(); --i) {
        std::size_t at = rng() % text.size();
        switch (rng() % 3) {
        case 0:
            text.erase(at, 1 + rng() % 3);
            break;
        case 1:
            text.insert(at, 1, static_cast<char>(rng() % 256));
            break;
        default:
            text.insert(at, text.substr(rng() % text.size(), 1 + rng() % 8));
        }
    }
    return text;
}

struct ExpressionFuzzTest : ScriptTestFixture {
    std::vector<std::string> seeds;
    int polls = 0;

    ExpressionFuzzTest() {
        for (const char* folder : {"expr", "script"})
            for (const auto& file : DataFiles(folder))
                for (const DataLine& line : ReadDataLines(file))
                    seeds.push_back(line.text.substr(0, line.text.rfind(" =>")));
    }

    void Exercise(const std::string& text) {
        Reset();
        polls = 0;
        GenerationInfo().PollEvents = [this] {
            if (++polls >= 4)
                report.Terminated = true;
        };
        try {
            evaluator.Calc(text);
        } catch (const std::exception&) {
        }
        memo->Memo = {text};
        try {
            evaluator.ExpandMemo(*memo);
        } catch (const std::exception&) {
        }
        TrpStrings code, errors;
        EngineInterpretator().CompileScript({text, text}, code, errors);
        try {
            EngineInterpretator().RunScript(code);
        } catch (const std::exception&) {
        }
    }
};

TEST_F(ExpressionFuzzTest, RandomAndMutatedTextsEndInAValueOrAnError) {
    std::mt19937 rng(20261209);
    for (int i = 0; i < 3000; ++i)
        Exercise(RandomText(rng));
    for (int round = 0; round < 3; ++round)
        for (const std::string& seed : seeds)
            Exercise(Mutate(seed, rng));
    Exercise(std::string(5000, '(') + "1" + std::string(5000, ')'));
    Exercise(std::string(3000, '[') + std::string(3000, ']'));
    Exercise("begin " + std::string(3000, 'b') + " end");
    std::string nested;
    for (int i = 0; i < 500; ++i)
        nested += "if(1, ";
    Exercise(nested + "1" + std::string(500, ')'));
    std::string blocks;
    for (int i = 0; i < 1000; ++i)
        blocks += "begin ";
    Exercise(blocks);
    SUCCEED();
}

} // namespace
} // namespace report::testing
