// The report's resolver, function hook, assignment rules and memo expansion.
#include "TrpReportEvaluator.h"

#include "TrpEngineLists.h"
#include "TrpEngineState.h"
#include "TrpExpressionText.h"
#include "TrpForm.h"
#include "TrpFormat.h"
#include "TrpGenerationInfo.h"
#include "TrpMessages.h"
#include "TrpReport.h"
#include "TrpStandardFunctions.h"
#include "TrpValueConvert.h"
#include "TrpView.h"

#include <QDateTime>
#include <cctype>
#include <cmath>

namespace report {

namespace {

// Whether text is "PAGE" followed by a page number, which it then sets.
bool PageReference(const std::string& text, std::size_t& page) {
    constexpr std::size_t kMaxDigits = 9;
    if (text.size() <= 4 || text.size() > 4 + kMaxDigits || UpperName(text.substr(0, 4)) != "PAGE")
        return false;
    page = 0;
    for (std::size_t i = 4; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i])))
            return false;
        page = page * 10 + static_cast<std::size_t>(text[i] - '0');
    }
    return true;
}

// The current date and time as a day number, for "DATE" and "TIME" outside
// generation.
double Now() {
    constexpr qint64 kMsPerDay = 86400000;
    QDateTime now = QDateTime::currentDateTime();
    QDateTime origin(QDate(1899, 12, 30), QTime(0, 0));
    qint64 ms = origin.msecsTo(QDateTime(now.date(), now.time()));
    return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

std::string Unquoted(const std::string& text) {
    std::string t = TrimText(text);
    if (t.size() >= 2 && t.front() == '\'' && t.back() == '\'')
        return t.substr(1, t.size() - 2);
    return t;
}

} // namespace

TrpReportEvaluator::TrpReportEvaluator(TrpReport& report) : report_(report) {
    parser_.OnGetValue = [this](const std::string& name) { return GetValue(name); };
    parser_.OnFunction = [this](const std::string& name, const std::string& p1,
                                const std::string& p2,
                                const std::string& p3) { return CallFunction(name, p1, p2, p3); };
}

TrpValue TrpReportEvaluator::GetValue(const std::string& name) {
    if (report_.OnGetValue) {
        TrpValue value;
        report_.OnGetValue(name, value);
        if (!value.IsEmpty())
            return value;
    }
    TrpValue value = std::int64_t{0};
    const TrpLookupContext context = LookupContextOf(report_.Owner());
    TrpDataDictionary& dictionary = report_.Dictionary;
    if (dictionary.IsVariable(name, context, GenerationInfo().CurrentDefaultDataset()))
        return dictionary.GetValue(name, [this](const std::string& text) { return Calc(text); });
    if (SpecialValue(name, value))
        return value;
    if (GlobalVariables().IndexOf(name) >= 0)
        return GlobalVariables().Get(name);
    if (PositionValue(name, value) || PropertyValue(name, value))
        return value;
    if (EngineConstants().IndexOf(name) >= 0)
        return EngineConstants().Get(name);
    return Formula(name);
}

bool TrpReportEvaluator::SpecialValue(const std::string& name, TrpValue& value) {
    const TrpGenerationInfo& info = GenerationInfo();
    if (name == "VALUE")
        value = info.LastValue;
    else if (name == "PAGE#")
        value = info.PageNo;
    else if (name == "DATE" || name == "TIME") {
        double now = report_.Generating ? info.StartDateTime : Now();
        double date = std::floor(now);
        value = TrpValue::DateTime(name == "DATE" ? date : now - date);
    } else if (name == "LINE#")
        value = info.LineNo;
    else if (name == "LINETHROUGH#")
        value = info.LineThroughNo;
    else if (name == "COLUMN#")
        value = info.ColumnNo;
    else if (name == "CURRENT#")
        value = info.CurrentNo;
    else if (name == "TOTALPAGES")
        value = info.TotalPages;
    else if (name == "CALCWIDTH") {
        TrpView* view = EngineState().CurrentView;
        value = !view ? 0 : info.CalcWidth ? info.CalcWidth(*view) : view->Width;
    } else
        return false;
    return true;
}

bool TrpReportEvaluator::PositionValue(const std::string& name, TrpValue& value) {
    const TrpGenerationInfo& info = GenerationInfo();
    if (name == "CURY")
        value = info.CurY;
    else if (name == "FREESPACE")
        value = info.PageBottom - info.CurY;
    else if (name == "FINALPASS")
        value = !report_.InFirstPass();
    else if (name == "PAGEHEIGHT")
        value = info.PageBottom;
    else if (name == "PAGEWIDTH")
        value = info.PageWidth;
    else
        return false;
    return true;
}

bool TrpReportEvaluator::FindProperty(const std::string& name, TrpObject*& object,
                                      std::string& property) {
    TrpView* current = EngineState().CurrentView;
    std::size_t dot = name.find('.');
    object = nullptr;
    if (dot == std::string::npos) {
        object = current;
        property = name;
    } else {
        std::string left = name.substr(0, dot);
        std::size_t page = 0;
        if (TrpView* view = report_.FindObject(left))
            object = view;
        else if (PageReference(left, page) && page >= 1 && page <= report_.Pages.Count())
            object = report_.Pages[page - 1];
        if (object)
            property = name.substr(dot + 1);
        else if (current && current->PropList().Find(name)) {
            object = current;
            property = name;
        }
    }
    return object && object->PropList().Find(property);
}

bool TrpReportEvaluator::PropertyValue(const std::string& name, TrpValue& value) {
    TrpObject* object = nullptr;
    std::string property;
    if (!FindProperty(name, object, property))
        return false;
    value = object->GetPropertyValue(property);
    return true;
}

TrpValue TrpReportEvaluator::Formula(const std::string& name) {
    if (resolving_ == name) {
        if (GenerationInfo().CollectingAggregates())
            return std::int64_t{0};
        throw ETrpExpressionError(std::string(MessageText(kMsgUndefinedSymbol)) + " \"" + name +
                                  "\"");
    }
    resolving_ = name;
    try {
        TrpValue value = Calc(name);
        resolving_.clear();
        return value;
    } catch (...) {
        resolving_.clear();
        throw;
    }
}

TrpValue TrpReportEvaluator::CallFunction(const std::string& name, const std::string& p1,
                                          const std::string& p2, const std::string& p3) {
    TrpValue result = std::string("0");
    if (CallStandardFunction(parser_, name, p1, p2, p3, result) ||
        ScriptProcedure(name, p1, p2, p3, result))
        return result;
    if (report_.OnUserFunction)
        report_.OnUserFunction(name, p1, p2, p3, result);
    return result;
}

bool TrpReportEvaluator::ScriptProcedure(const std::string& name, const std::string& p1,
                                         const std::string& p2, const std::string& p3,
                                         TrpValue& result) {
    TrpGenerationInfo& info = GenerationInfo();
    if (name == "STOPREPORT")
        report_.Terminated = true;
    else if (name == "NEWPAGE" || name == "NEWCOLUMN") {
        auto& request = name == "NEWPAGE" ? info.NewPage : info.NewColumn;
        if (request)
            request();
    } else if (name == "SHOWBAND") {
        if (info.ShowBand)
            info.ShowBand(Unquoted(p1));
    } else if (name == "INC" || name == "DEC")
        IncDec(TrimText(p1), name == "INC" ? 1 : -1);
    else if (name == "SETARRAY")
        ArrayAccess(TrimText(p1), p2, &p3);
    else if (name == "GETARRAY")
        result = ArrayAccess(TrimText(p1), p2, nullptr);
    else if (std::size_t dot = name.find('.'); dot != std::string::npos) {
        TrpView* view = report_.FindObject(name.substr(0, dot));
        if (!view)
            return false;
        result = view->CallMethod(name.substr(dot + 1), p1, p2, p3);
    } else
        return false;
    return true;
}

void TrpReportEvaluator::IncDec(const std::string& name, int delta) {
    TrpValue value = GetValue(UpperName(name));
    AssignValue(name, Add(value, delta));
}

// name[index] of scripts: an object's indexed property when name has a
// ".", else the global variable "Arr_" + name + "_" + index.
TrpValue TrpReportEvaluator::ArrayAccess(const std::string& name, const std::string& indexText,
                                         const std::string* valueText) {
    TrpValue index = Calc(indexText);
    TrpValue value = valueText ? Calc(*valueText) : TrpValue();
    if (std::size_t dot = name.find('.'); dot != std::string::npos) {
        if (TrpView* view = report_.FindObject(name.substr(0, dot))) {
            std::string property = name.substr(dot + 1);
            if (valueText)
                return view->CallMethod("SETINDEXPROPERTY", property, index, value);
            return view->CallMethod("GETINDEXPROPERTY", property, index, {});
        }
    }
    std::string element = "Arr_" + name + "_" + index.ToText();
    if (!valueText)
        return GlobalVariables().Get(element);
    GlobalVariables().Set(element, value);
    return value;
}

// "MODALRESULT" on a dialog page, "CURY" and "PROGRESS"; false for other
// names.
bool TrpReportEvaluator::AssignEngineValue(const std::string& upper, const TrpValue& value) {
    TrpGenerationInfo& info = GenerationInfo();
    if (upper == "MODALRESULT")
        return info.SetModalResult && info.SetModalResult(value);
    if (upper == "CURY") {
        info.CurY = static_cast<int>(ValueToInt(value));
        info.CurYSetByScript = true;
        return true;
    }
    if (upper == "PROGRESS") {
        if (info.ShowProgress)
            info.ShowProgress(value.ToText());
        if (info.PollEvents)
            info.PollEvents();
        return true;
    }
    return false;
}

void TrpReportEvaluator::AssignValue(const std::string& name, const TrpValue& value) {
    TrpDataDictionary& dictionary = report_.Dictionary;
    if (GlobalVariables().IndexOf(name) >= 0) {
        GlobalVariables().Set(name, value);
    } else if (dictionary.IsVariable(name)) {
        dictionary.Variables.Set(name, value);
        dictionary.ForgetField(name);
    } else if (!AssignEngineValue(UpperName(name), value)) {
        TrpObject* object = nullptr;
        std::string property;
        if (name.find('.') != std::string::npos && FindProperty(name, object, property))
            object->SetPropertyValue(property, value);
        else
            GlobalVariables().Set(name, value);
    }
}

std::string TrpReportEvaluator::ValueText(TrpView& view, const std::string& bracket) {
    std::int32_t code = view.FormatCode;
    std::string pattern = view.FormatPattern;
    std::string expression = bracket, format;
    if (SplitInlineFormat(bracket, expression, format))
        ParseInlineFormat(format, code, pattern);
    TrpGenerationInfo& info = GenerationInfo();
    TrpValue value = GetValue(expression);
    info.LastValue = value;
    if (view.FlagSet(kMemoHideZeros) && IsHiddenZero(value))
        value = std::string();
    if (info.CollectingAggregates())
        return {};
    return FormatValue(value, code, pattern);
}

std::string TrpReportEvaluator::ExpandLine(TrpView& view, const std::string& source) {
    std::string line = source;
    std::size_t pos = 0;
    while ((pos = line.find('[', pos)) != std::string::npos) {
        std::size_t close = FindClosingBracket(line, pos);
        if (close == std::string::npos)
            break;
        std::string text = ValueText(view, line.substr(pos + 1, close - pos - 1));
        line.replace(pos, close - pos + 1, text);
        pos += text.size();
    }
    return line;
}

void TrpReportEvaluator::ExpandMemo(TrpView& view) {
    TrpEngineState& state = EngineState();
    TrpView* previous = state.CurrentView;
    state.CurrentView = &view;
    view.ResultMemo.clear();
    try {
        for (const std::string& line : view.Memo) {
            bool expand = !line.empty() && !view.FlagSet(kMemoTextOnly);
            TrpStrings lines = SplitLines(expand ? ExpandLine(view, line) : line);
            if (lines.empty())
                lines.emplace_back();
            view.ResultMemo.insert(view.ResultMemo.end(), lines.begin(), lines.end());
        }
    } catch (...) {
        state.CurrentView = previous;
        throw;
    }
    state.CurrentView = previous;
}

TrpReportEvaluator& EvaluatorOf(TrpReport& report) {
    if (!report.ExpressionEvaluator)
        report.ExpressionEvaluator = std::make_shared<TrpReportEvaluator>(report);
    return *report.ExpressionEvaluator;
}

TrpReportEvaluator& InstallEvaluator(TrpReport& report) {
    TrpReportEvaluator* evaluator = &EvaluatorOf(report);
    report.Evaluator = [evaluator](const std::string& expression) {
        return evaluator->Calc(expression);
    };
    // The object's script is compiled when generation prepares its page;
    // running it is the generator's to wire, beside that compilation.
    report.ExpandMemo = [evaluator](TrpView& view) { evaluator->ExpandMemo(view); };
    return *evaluator;
}

} // namespace report
