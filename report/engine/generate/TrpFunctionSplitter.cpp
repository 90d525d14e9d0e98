// The function-call scanner: one pass over an expression text that notes
// the calls of the wanted names and descends into the texts of the
// dictionary variables it meets.
#include "TrpFunctionSplitter.h"

#include "TrpExpressionText.h"
#include "TrpFormat.h"
#include "TrpMemoView.h"
#include "TrpObject.h"
#include "TrpScriptFormat.h"
#include "TrpVariables.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

namespace report {

namespace {

bool IsNumberPart(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == ',' || c == '.';
}

// One Split: the output, and the variables expanded so far (upper case).
class CallScanner {
public:
    CallScanner(const std::vector<std::string>& upperNames, const TrpVariables* variables,
                std::vector<std::string>& calls)
        : names_(upperNames), variables_(variables), calls_(calls) {}

    void Scan(const std::string& text, int depth);

private:
    std::size_t Identifier(const std::string& text, std::size_t pos, int depth);
    void ExpandVariable(const std::string& name, int depth);

    const std::vector<std::string>& names_;
    const TrpVariables* variables_;
    std::vector<std::string>& calls_;
    std::set<std::string> expanded_;
};

void CallScanner::Scan(const std::string& text, int depth) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '\'') {
            pos = SkipQuoted(text, pos); // an unterminated string runs to the end
        } else if (IsNumberPart(c)) {
            while (pos < text.size() && IsNumberPart(text[pos]))
                ++pos;
        } else if (IsIdentStart(c)) {
            pos = Identifier(text, pos, depth);
        } else {
            if (c == '[') {
                // [name] is resolved as written, so a variable may carry blanks.
                std::size_t close = FindClosing(text, pos);
                if (close != std::string::npos)
                    ExpandVariable(TrimText(text.substr(pos + 1, close - pos - 1)), depth);
            }
            ++pos; // the bracket's content is scanned like the rest
        }
    }
}

// Handles the identifier at pos; returns where scanning goes on.
std::size_t CallScanner::Identifier(const std::string& text, std::size_t pos, int depth) {
    std::size_t end = pos;
    while (end < text.size() && IsIdentPart(text[end]))
        end = text[end] == '"' ? SkipQuoted(text, end) : end + 1;
    if (end == std::string::npos)
        return end; // an unterminated double-quoted part
    const std::string word = text.substr(pos, end - pos);
    std::size_t next = end;
    while (next < text.size() && text[next] == ' ')
        ++next;
    const bool wanted = std::find(names_.begin(), names_.end(), UpperName(word)) != names_.end();
    if (wanted && next < text.size() && text[next] == '(') {
        std::size_t close = FindClosing(text, next);
        if (close != std::string::npos && text[close] == ')')
            calls_.push_back(text.substr(pos, close + 1 - pos));
        return next + 1; // the arguments may hold further calls
    }
    ExpandVariable(word, depth);
    return end;
}

void CallScanner::ExpandVariable(const std::string& name, int depth) {
    if (!variables_ || name.empty() || depth >= kMaxVariableNesting)
        return;
    const int index = variables_->IndexOf(name);
    if (index < 0)
        return;
    const TrpValue value = variables_->Value(index);
    if (!value.IsText() || value.AsText().empty())
        return;
    if (!expanded_.insert(UpperName(variables_->Name(index))).second)
        return;
    Scan(value.AsText(), depth + 1);
}

} // namespace

TrpFunctionSplitter::TrpFunctionSplitter(std::vector<std::string> functionNames,
                                         const TrpVariables* variables)
    : names_(std::move(functionNames)), variables_(variables) {
    for (std::string& name : names_)
        name = UpperName(name);
}

void TrpFunctionSplitter::Split(const std::string& expression,
                                std::vector<std::string>& calls) const {
    CallScanner(names_, variables_, calls).Scan(expression, 0);
}

TAggregateFunctionsSplitter::TAggregateFunctionsSplitter(const TrpVariables* variables)
    : TrpFunctionSplitter({"AVG", "COUNT", "MAX", "MIN", "SUM"}, variables) {}

void SplitScript(const TrpFunctionSplitter& splitter, const TrpStrings& script,
                 std::vector<std::string>& calls) {
    for (const std::string& line : script) {
        // No source line starts with a control character, so this is a
        // compiled jump whose target bytes could pass for a quote.
        const bool jump = !line.empty() && (line[0] == kInstrCondJump || line[0] == kInstrJump);
        if (jump)
            splitter.Split(line.size() > kJumpHeader ? line.substr(kJumpHeader) : std::string(),
                           calls);
        else
            splitter.Split(line, calls);
    }
}

namespace {

// The bracketed expressions of a memo line, the way memo expansion finds them.
void SplitMemoLine(const TrpFunctionSplitter& splitter, const std::string& line,
                   std::vector<std::string>& calls) {
    std::size_t pos = 0;
    while ((pos = line.find('[', pos)) != std::string::npos) {
        std::size_t close = FindClosingBracket(line, pos);
        if (close == std::string::npos)
            return;
        std::string expression = line.substr(pos + 1, close - pos - 1), format;
        SplitInlineFormat(line.substr(pos + 1, close - pos - 1), expression, format);
        splitter.Split(expression, calls);
        pos = close + 1;
    }
}

} // namespace

void SplitBand(const TrpFunctionSplitter& splitter, const TrpStrings& bandScript,
               const std::vector<TrpView*>& objects, std::vector<std::string>& calls) {
    SplitScript(splitter, bandScript, calls);
    for (TrpView* view : objects) {
        if (!view)
            continue;
        if (dynamic_cast<TrpMemoView*>(view) && !view->FlagSet(kMemoTextOnly))
            for (const std::string& line : view->Memo)
                SplitMemoLine(splitter, line, calls);
        SplitScript(splitter, view->ScriptText, calls);
    }
}

} // namespace report
