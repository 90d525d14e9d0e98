// The summary report's layout, built with the report object model: the
// template Report/PaymentDetail.rpf that the build writes beside the
// executables (make_summary_template) and that Print and
// `morvane-check --report` load.
//
// One A4 portrait page, 10 mm margins, Arial (Liberation Sans where Arial is
// not installed), bands from top to bottom:
//   TitleBand       "Payee registration summary", company id [comId],
//                   digest [hashValue], record count [recordcount]
//   PageHeaderBand  the column captions, repeated on every page
//   MasterData1     one framed row per record of rpDBDataSet1: No, Product,
//                   account number, account name, Ref1, Action
//   PageFooterBand  "Page n of m" (the report is generated in two passes so
//                   that the page total is known)
//   SummaryBand     the number of records per action and in all, and the
//                   sign-off lines
// Row cells name the fields bare ([No], [AccountNumber]): a bare name is a
// field of the band's own dataset, the table behind rpDBDataSet1. A report
// dataset link is no table, so rpDBDataSet1."No" would name no field.
// Per-action counts are sums of IF(Action = word, 1, 0) over the data band:
// the rows come in No order, so a group per action would break on every
// change of action.
#pragma once

namespace report {
class TrpReport;
}

namespace morvane {

// Names the template gives its bands, so that tests and aggregates refer to
// them by one spelling.
struct TSummaryTemplateNames {
    static constexpr const char* kTitleBand = "TitleBand";
    static constexpr const char* kPageHeaderBand = "PageHeaderBand";
    static constexpr const char* kMasterDataBand = "MasterData1";
    static constexpr const char* kPageFooterBand = "PageFooterBand";
    static constexpr const char* kSummaryBand = "SummaryBand";
};

// Replaces the report's pages and sets TwoPass; the dictionary is left alone
// (the variables are set by whoever shows the report).
void BuildSummaryTemplate(report::TrpReport& report);

} // namespace morvane
