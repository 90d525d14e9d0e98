// make_summary_template FILE: builds the summary report's layout with the
// report object model (BuildSummaryTemplate) and writes it as a template
// file; the build runs it so that Report/PaymentDetail.rpf lies beside the
// executables. Exit status 0 on success, 1 with the engine's message on
// standard error otherwise, 2 on a usage error.
#include "THeadlessGui.h"
#include "TSummaryTemplate.h"
#include "TrpReport.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_summary_template FILE\n";
        return 2;
    }
    try {
        morvane::THeadlessGui gui;
        report::TrpReport summary;
        morvane::BuildSummaryTemplate(summary);
        summary.SaveToFile(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "make_summary_template: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
