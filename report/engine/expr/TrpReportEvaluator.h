// TrpReportEvaluator: how a report evaluates expressions. It owns the
// report's parser and implements its two hooks:
//
// Resolver (GetValue), in this order: the report's "OnGetValue" event; a
// dictionary variable or field; the special variables "VALUE" "PAGE#"
// "DATE" "TIME" "LINE#" "LINETHROUGH#" "COLUMN#" "CURRENT#" "TOTALPAGES"
// "CALCWIDTH"; a global variable; "CURY" "FREESPACE" "FINALPASS"
// "PAGEHEIGHT" "PAGEWIDTH"; an object property (Object.Property,
// "PAGE"n.Property, or a property of the current object); a constant;
// finally the name evaluated as a formula. A name met again while it is
// being evaluated as a formula is undefined: "Undefined symbol" and the
// name in double quotes, except while aggregates are collected (it is 0).
// The guard holds one name at a time.
//
// Function hook (CallFunction): the result starts as the text "0"; the
// standard library, else the script procedures ("STOPREPORT" "NEWPAGE"
// "NEWCOLUMN" "SHOWBAND" "INC" "DEC" "SETARRAY" "GETARRAY" and
// Object.Method), else the report's "OnUserFunction" event.
//
// Assignment (AssignValue) of scripts: a global variable; a dictionary
// variable; "MODALRESULT" on a dialog page; "CURY"; "PROGRESS";
// Object.Property; otherwise a new global variable.
//
// Memo expansion fills an object's ResultMemo from its Memo, replacing
// each balanced [expression] by its formatted value (an inline format
// after " #" overrides the object's).
#pragma once

#include "TrpParser.h"

#include <string>

namespace report {

class TrpObject;
class TrpReport;
class TrpView;

class TrpReportEvaluator {
public:
    explicit TrpReportEvaluator(TrpReport& report);
    TrpReportEvaluator(const TrpReportEvaluator&) = delete;
    TrpReportEvaluator& operator=(const TrpReportEvaluator&) = delete;

    TrpValue Calc(const std::string& expression) { return parser_.Calc(expression); }
    TrpParser& Parser() { return parser_; }

    TrpValue GetValue(const std::string& name);
    TrpValue CallFunction(const std::string& name, const std::string& p1, const std::string& p2,
                          const std::string& p3);
    void AssignValue(const std::string& name, const TrpValue& value);

    void ExpandMemo(TrpView& view);
    // The formatted text of one bracket's expression for view.
    std::string ValueText(TrpView& view, const std::string& expression);

private:
    bool SpecialValue(const std::string& name, TrpValue& value);
    bool PositionValue(const std::string& name, TrpValue& value);
    bool PropertyValue(const std::string& name, TrpValue& value);
    TrpValue Formula(const std::string& name);
    bool ScriptProcedure(const std::string& name, const std::string& p1, const std::string& p2,
                         const std::string& p3, TrpValue& result);
    bool AssignEngineValue(const std::string& upper, const TrpValue& value);
    void IncDec(const std::string& name, int delta);
    TrpValue ArrayAccess(const std::string& name, const std::string& index,
                         const std::string* valueText);
    // The object and property a name reaches; false when none.
    bool FindProperty(const std::string& name, TrpObject*& object, std::string& property);
    std::string ExpandLine(TrpView& view, const std::string& line);

    TrpReport& report_;
    TrpParser parser_;
    std::string resolving_; // the name being evaluated as a formula
};

// The report's evaluator, made on first use and owned by the report.
TrpReportEvaluator& EvaluatorOf(TrpReport& report);
// Makes the report's evaluator the one its Evaluator hook calls (for the
// expressions of object methods, "MEMO.ADD" and the like); every report
// does so when it is made.
TrpReportEvaluator& InstallEvaluator(TrpReport& report);

} // namespace report
