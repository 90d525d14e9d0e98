// The standard function library.
#include "TrpStandardFunctions.h"

#include "TrpAggregates.h"
#include "TrpExpressionText.h"
#include "TrpFormat.h"
#include "TrpInputBox.h"
#include "TrpObject.h"
#include "tabula/FormatSettings.h"

#include <cctype>
#include <map>

namespace report {

namespace {

struct Args {
    TrpParser& parser;
    const std::string& p1;
    const std::string& p2;
    const std::string& p3;
    TrpValue Value(const std::string& text) const { return parser.Calc(text); }
    std::string Text(const std::string& text) const { return parser.Calc(text).ToText(); }
};

using Handler = TrpValue (*)(const Args&);

std::string LowerCase(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

TrpValue DayOf(const Args& a) {
    return CivilDateOf(a.Value(a.p1).ToDateTime()).day;
}
TrpValue MonthOf(const Args& a) {
    return CivilDateOf(a.Value(a.p1).ToDateTime()).month;
}
TrpValue YearOf(const Args& a) {
    return CivilDateOf(a.Value(a.p1).ToDateTime()).year;
}
TrpValue CallFormatDateTime(const Args& a) {
    return FormatDateTime(a.Text(a.p1), a.Value(a.p2));
}
TrpValue CallFormatFloat(const Args& a) {
    return FormatFloat(a.Text(a.p1), a.Value(a.p2).ToReal(),
                       tabula::TFormatSettings::Global().decimalSeparator);
}
TrpValue CallFormatText(const Args& a) {
    // The mask's missing fields default to keep "0" and blank " ".
    return FormatText(a.Text(a.p1), a.Text(a.p2));
}
TrpValue Input(const Args& a) {
    return ShowInputBox("", a.Text(a.p1), a.Text(a.p2));
}
TrpValue Length(const Args& a) {
    return static_cast<std::int64_t>(a.Text(a.p1).size());
}
TrpValue LowerCaseOf(const Args& a) {
    return LowerCase(a.Text(a.p1));
}
TrpValue UpperCaseOf(const Args& a) {
    return UpperName(a.Text(a.p1));
}
TrpValue NameCase(const Args& a) {
    std::string text = LowerCase(a.Text(a.p1));
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    return text;
}
TrpValue Trim(const Args& a) {
    return TrimText(a.Text(a.p1));
}
TrpValue Pos(const Args& a) {
    std::string sub = a.Text(a.p1), text = a.Text(a.p2);
    std::size_t at = sub.empty() ? std::string::npos : text.find(sub);
    return static_cast<std::int64_t>(at == std::string::npos ? 0 : at + 1);
}
TrpValue MaxNum(const Args& a) {
    TrpValue x = a.Value(a.p1), y = a.Value(a.p2);
    return Compare(x, y) >= 0 ? x : y;
}
TrpValue MinNum(const Args& a) {
    TrpValue x = a.Value(a.p1), y = a.Value(a.p2);
    return Compare(x, y) <= 0 ? x : y;
}
TrpValue MessageBox(const Args& a) {
    std::int64_t flags = a.p3.empty() ? 0 : a.Value(a.p3).ToInt();
    return ShowFlaggedMessageBox(a.Text(a.p1), a.Text(a.p2), flags);
}

const std::map<std::string, Handler>& Library() {
    static const std::map<std::string, Handler> library = {
        {"DAYOF", DayOf},
        {"MONTHOF", MonthOf},
        {"YEAROF", YearOf},
        {"FORMATDATETIME", CallFormatDateTime},
        {"FORMATFLOAT", CallFormatFloat},
        {"FORMATTEXT", CallFormatText},
        {"INPUT", Input},
        {"LENGTH", Length},
        {"LOWERCASE", LowerCaseOf},
        {"UPPERCASE", UpperCaseOf},
        {"NAMECASE", NameCase},
        {"TRIM", Trim},
        {"POS", Pos},
        {"MAXNUM", MaxNum},
        {"MINNUM", MinNum},
        {"MESSAGEBOX", MessageBox},
    };
    return library;
}

} // namespace

bool CallStandardFunction(TrpParser& parser, const std::string& name, const std::string& p1,
                          const std::string& p2, const std::string& p3, TrpValue& result) {
    if (char code = AggregateCode(name)) {
        result = EvaluateAggregate(code, p1, p2, p3);
        return true;
    }
    auto it = Library().find(name);
    if (it == Library().end())
        return false;
    result = it->second(Args{parser, p1, p2, p3});
    return true;
}

} // namespace report
