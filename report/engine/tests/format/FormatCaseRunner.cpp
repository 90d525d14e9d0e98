// Display-format cases from data files beside this source (*.test). Each
// line is one case; tokens are bare words or `back-quoted text` (which may
// hold blanks and quotes), and "->" separates the inputs from the expected
// result. "#" starts a comment line.
//
//   locale builtin | <Qt locale name>       the format settings from here on
//   set longDateFormat | thousandSeparator <text>   one field of them
//   float    <pattern> <number> [<sep>] -> <text>
//   datetime <pattern> <date>           -> <text> | error
//   mask     <mask> <text>              -> <text>
//   value    <code> <pattern> <value>   -> <text>
//   inline   <format> <code in>         -> <code out> <pattern> | none
//   bracket  <[text]> <value>           -> <text>   split, inline format, format
//   qt       <Qt date-time pattern>     -> <pattern>
//   split    <[text]>                   -> <expression>|<format> | none
//   hidden   <value>                    -> yes | no
//
// <code>   category:index:decimals:separator (text number date time boolean),
//          "default" (text, 2 decimals, "."), or the code as a decimal number
// In back-quoted text "\xHH" is the byte HH.
// <date>   yyyy-mm-dd[ hh:nn[:ss[.zzz]]] or days:<date-time value>
// <value>  null, empty, i:<integer>, r:<real>, b:true|false, t:<text>, dt:<date>
#include "TrpFormat.h"
#include "tabula/FieldValue.h"

#include <QLocale>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sstream>
#include <vector>

using namespace report;

namespace {

const std::filesystem::path& CaseDirectory() {
    static const std::filesystem::path dir = std::filesystem::path(__FILE__).parent_path();
    return dir;
}

// "\xHH" stands for the byte HH (Windows-1252 texts in a UTF-8 file).
std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 2, "\\x") == 0 && i + 3 < text.size() &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 3]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::vector<std::string> Tokens(const std::string& line) {
    std::vector<std::string> tokens;
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == ' ' || line[i] == '\t') {
            ++i;
        } else if (line[i] == '`') {
            const std::size_t close = line.find('`', i + 1);
            if (close == std::string::npos)
                throw std::invalid_argument("unclosed back-quote");
            tokens.push_back(Unescaped(line.substr(i + 1, close - i - 1)));
            i = close + 1;
        } else {
            std::size_t end = line.find_first_of(" \t", i);
            if (end == std::string::npos)
                end = line.size();
            tokens.push_back(line.substr(i, end - i));
            i = end;
        }
    }
    return tokens;
}

double DateValue(const std::string& written) {
    if (written.rfind("days:", 0) == 0)
        return std::stod(written.substr(5));
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, ms = 0;
    const int read = std::sscanf(written.c_str(), "%d-%d-%d %d:%d:%d.%d", &year, &month, &day,
                                 &hour, &minute, &second, &ms);
    if (read < 3)
        throw std::invalid_argument("bad date " + written);
    const double whole = tabula::DayNumber(year, month, day) - 693594.0;
    return whole + (((hour * 60.0 + minute) * 60.0 + second) * 1000.0 + ms) / 86400000.0;
}

TrpValue Value(const std::string& written) {
    if (written == "null")
        return TrpValue::Null();
    if (written == "empty")
        return TrpValue();
    const std::size_t colon = written.find(':');
    const std::string kind = written.substr(0, colon);
    const std::string rest = colon == std::string::npos ? "" : written.substr(colon + 1);
    if (kind == "i")
        return TrpValue(static_cast<std::int64_t>(std::stoll(rest)));
    if (kind == "r")
        return TrpValue(std::stod(rest));
    if (kind == "b")
        return TrpValue(rest == "true");
    if (kind == "t")
        return TrpValue(rest);
    if (kind == "dt")
        return TrpValue::DateTime(DateValue(rest));
    throw std::invalid_argument("bad value " + written);
}

const std::map<std::string, int>& Categories() {
    static const std::map<std::string, int> names{{"text", kFormatText},
                                                  {"number", kFormatNumber},
                                                  {"date", kFormatDate},
                                                  {"time", kFormatTime},
                                                  {"boolean", kFormatBoolean}};
    return names;
}

std::int32_t Code(const std::string& written) {
    if (written == "default")
        return PackFormatCode({'.', kDefaultFormatDecimals, 0, kFormatText});
    if (!written.empty() && std::isdigit(static_cast<unsigned char>(written[0])))
        return static_cast<std::int32_t>(std::stol(written));
    std::istringstream in(written);
    std::string category, index, decimals;
    std::getline(in, category, ':');
    std::getline(in, index, ':');
    std::getline(in, decimals, ':');
    std::string separator;
    std::getline(in, separator);
    if (!Categories().count(category) || separator.size() != 1)
        throw std::invalid_argument("bad code " + written);
    return PackFormatCode(
        {separator[0], std::stoi(decimals), std::stoi(index), Categories().at(category)});
}

std::string CodeText(std::int32_t code) {
    const TrpFormatFields fields = UnpackFormatCode(code);
    for (const auto& [name, category] : Categories()) {
        if (category == fields.category)
            return name + ":" + std::to_string(fields.index) + ":" +
                   std::to_string(fields.decimals) + ":" + std::string(1, fields.separator);
    }
    return "category " + std::to_string(fields.category);
}

void SetLocale(const std::string& name) {
    TrpFormatSettings::SetCurrent(
        name == "builtin" ? TrpFormatSettings{}
                          : TrpFormatSettings::FromLocale(QLocale(QString::fromStdString(name))));
}

void SetField(const std::string& field, const std::string& text) {
    TrpFormatSettings settings = *TrpFormatSettings::Current();
    if (field == "longDateFormat")
        settings.longDateFormat = text;
    else if (field == "thousandSeparator")
        settings.thousandSeparator = text;
    else
        throw std::invalid_argument("unknown settings field " + field);
    TrpFormatSettings::SetCurrent(settings);
}

// The result of one case's inputs, as the expectation is written.
std::string Run(const std::string& kind, const std::vector<std::string>& in) {
    if (kind == "float")
        return FormatFloat(in.at(0), std::stod(in.at(1)), in.size() > 2 ? in[2].at(0) : '.');
    if (kind == "datetime") {
        try {
            return FormatDateTime(in.at(0), DateValue(in.at(1)));
        } catch (const ETrpValueError&) {
            return "error";
        }
    }
    if (kind == "mask")
        return FormatText(in.at(0), in.at(1));
    if (kind == "value")
        return FormatValue(Value(in.at(2)), Code(in.at(0)), in.at(1));
    if (kind == "inline") {
        std::int32_t code = Code(in.at(1));
        std::string pattern = "unchanged";
        if (!ParseInlineFormat(in.at(0), code, pattern))
            return pattern == "unchanged" && code == Code(in.at(1)) ? "none" : "changed";
        return CodeText(code) + " " + pattern;
    }
    if (kind == "bracket") {
        std::int32_t code = Code("default");
        std::string pattern, expression, format;
        if (SplitInlineFormat(in.at(0), expression, format))
            ParseInlineFormat(format, code, pattern);
        return FormatValue(Value(in.at(1)), code, pattern);
    }
    if (kind == "split") {
        std::string expression = "unchanged", format = "unchanged";
        if (!SplitInlineFormat(in.at(0), expression, format))
            return "none";
        return expression + "|" + format;
    }
    if (kind == "qt")
        return PatternFromQtFormat(QString::fromStdString(in.at(0)));
    if (kind == "hidden")
        return IsHiddenZero(Value(in.at(0))) ? "yes" : "no";
    throw std::invalid_argument("unknown case kind " + kind);
}

void RunCaseFile(const std::string& fileName) {
    std::ifstream file(CaseDirectory() / fileName);
    ASSERT_TRUE(file) << "cannot open " << (CaseDirectory() / fileName);
    SetLocale("builtin");
    std::string line;
    int lineNumber = 0, cases = 0;
    while (std::getline(file, line)) {
        ++lineNumber;
        if (line.empty() || line[0] == '#')
            continue;
        SCOPED_TRACE(fileName + ":" + std::to_string(lineNumber) + ": " + line);
        try {
            std::vector<std::string> tokens = Tokens(line);
            if (tokens.at(0) == "locale") {
                SetLocale(tokens.at(1));
                continue;
            }
            if (tokens.at(0) == "set") {
                SetField(tokens.at(1), tokens.at(2));
                continue;
            }
            const auto arrow = std::find(tokens.begin(), tokens.end(), "->");
            ASSERT_NE(arrow, tokens.end()) << "no ->";
            const std::vector<std::string> inputs(tokens.begin() + 1, arrow);
            std::string expected;
            for (auto it = arrow + 1; it != tokens.end(); ++it)
                expected += (expected.empty() ? "" : " ") + *it;
            EXPECT_EQ(Run(tokens[0], inputs), expected);
            ++cases;
        } catch (const std::exception& error) {
            ADD_FAILURE() << "case failed to run: " << error.what();
        }
    }
    SetLocale("builtin");
    EXPECT_GT(cases, 0);
}

} // namespace

TEST(FormatCases, FloatPatterns) {
    RunCaseFile("float.test");
}

TEST(FormatCases, DateTimePatterns) {
    RunCaseFile("datetime.test");
}

TEST(FormatCases, EditMasks) {
    RunCaseFile("mask.test");
}

TEST(FormatCases, FormatCodes) {
    RunCaseFile("value.test");
}

TEST(FormatCases, InlineFormats) {
    RunCaseFile("inline.test");
}
