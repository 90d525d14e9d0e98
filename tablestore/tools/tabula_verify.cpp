// tabula-verify [--repair] DIR TABLE [PASSWORD]: checks one table of the
// table store without changing it and lists what it finds. With --repair
// the table is first rebuilt from its record slots (TableRepair.h), what
// the repair dropped or rebuilt is listed, and then the table is checked.
//
// Exit status: 0 the table is consistent, 1 findings were listed, 2 the
// table could not be opened or repaired (the engine's message is printed).
#include "tabula/EngineError.h"
#include "tabula/TableRepair.h"
#include "tabula/TableVerifier.h"
#include "tabula/TabulaSession.h"
#include "tabula/TabulaSessionList.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

void PrintRepair(const char* name, const tabula::TRepairReport& report) {
    for (const std::string& action : report.actions)
        std::printf("repair: %s\n", action.c_str());
    std::printf("%s repaired: %lld records kept, %lld dropped, %lld BLOBs emptied\n", name,
                static_cast<long long>(report.keptRecords),
                static_cast<long long>(report.droppedRecords),
                static_cast<long long>(report.droppedBlobs));
}

} // namespace

int main(int argc, char** argv) {
    const bool repair = argc > 1 && std::strcmp(argv[1], "--repair") == 0;
    const int first = repair ? 2 : 1;
    if (argc - first < 2 || argc - first > 3) {
        std::fprintf(stderr, "usage: tabula-verify [--repair] DIR TABLE [PASSWORD]\n");
        return 2;
    }
    std::string dir = argv[first];
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    const char* name = argv[first + 1];
    const std::string table = dir + name;
    tabula::TTabulaSession& session = tabula::DefaultSession();
    session.SetActive(true);
    if (argc - first == 3)
        session.AddTablePassword(argv[first + 2]);
    int status = 0;
    try {
        if (repair)
            PrintRepair(name, tabula::TTableRepair::Repair(table));
        const tabula::TVerifyReport report = tabula::TTableVerifier::Verify(table);
        for (const std::string& finding : report.findings)
            std::printf("%s\n", finding.c_str());
        std::printf("%s: %lld record slots, %lld live records, %lld BLOB chains, %zu findings\n",
                    name, static_cast<long long>(report.recordSlots),
                    static_cast<long long>(report.liveRecords),
                    static_cast<long long>(report.blobChains), report.findings.size());
        status = report.Clean() ? 0 : 1;
    } catch (const tabula::ETabulaEngineError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        status = 2;
    }
    session.SetActive(false);
    return status;
}
