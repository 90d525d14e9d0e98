// tabula-verify DIR TABLE [PASSWORD]: checks one table of the table store
// without changing it and lists what it finds.
//
// Exit status: 0 the table is consistent, 1 findings were listed, 2 the
// table could not be opened (the engine's message is printed).
#include "tabula/EngineError.h"
#include "tabula/TableVerifier.h"
#include "tabula/TabulaSession.h"
#include "tabula/TabulaSessionList.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: tabula-verify DIR TABLE [PASSWORD]\n");
        return 2;
    }
    std::string dir = argv[1];
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    const std::string table = dir + argv[2];
    tabula::TTabulaSession& session = tabula::DefaultSession();
    session.SetActive(true);
    if (argc == 4)
        session.AddTablePassword(argv[3]);
    int status = 0;
    try {
        const tabula::TVerifyReport report = tabula::TTableVerifier::Verify(table);
        for (const std::string& finding : report.findings)
            std::printf("%s\n", finding.c_str());
        std::printf("%s: %lld record slots, %lld live records, %lld BLOB chains, %zu findings\n",
                    argv[2], static_cast<long long>(report.slots),
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
