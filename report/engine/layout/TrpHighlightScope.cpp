// Applying and restoring the highlight.
#include "TrpHighlightScope.h"

#include "TrpMemoView.h"
#include "TrpReport.h"
#include "TrpReportEvaluator.h"
#include "TrpValueConvert.h"

namespace report {

namespace {

bool ConditionHolds(TrpMemoView& view) {
    if (view.Highlight.Condition.empty())
        return false;
    TrpReport* report = view.Report();
    if (!report || !report->Evaluator)
        return false;
    if (view.HighlightCompiled && report->ExpressionEvaluator)
        return ValueToReal(
                   report->ExpressionEvaluator->Parser().CalcPostfix(view.HighlightPostfix)) != 0;
    return ValueToReal(report->Evaluate(view.Highlight.Condition)) != 0;
}

} // namespace

TrpHighlightScope::TrpHighlightScope(TrpMemoView& view) : view_(view) {
    if (!ConditionHolds(view))
        return;
    active_ = true;
    style_ = view.Font.Style;
    fontColor_ = view.Font.Color;
    fillColor_ = view.FillColor;
    view.Font.Style = view.Highlight.FontStyle;
    view.Font.Color = view.Highlight.FontColor;
    view.FillColor = view.Highlight.FillColor;
}

TrpHighlightScope::~TrpHighlightScope() {
    if (!active_)
        return;
    view_.Font.Style = style_;
    view_.Font.Color = fontColor_;
    view_.FillColor = fillColor_;
}

} // namespace report
