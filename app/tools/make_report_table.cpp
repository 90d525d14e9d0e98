// make_report_table DIR: creates the empty report table ReportTableDetail
// (.DAT and .IDX) in DIR; the build runs it so that the Data directory
// beside the executables holds the table. Exit status 0 on success, 1 with
// the table store's message on standard error otherwise.
#include "ReportTable.h"

#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make_report_table DIRECTORY\n";
        return 2;
    }
    try {
        morvane::CreateReportTable(argv[1]);
    } catch (const std::exception& error) {
        std::cerr << "make_report_table: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
