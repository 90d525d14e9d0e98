// Throughput of our SHA-1 against OpenSSL's on the same buffers (one whole
// digest per iteration: start, add the buffer, finish), then the ratio of
// ours to OpenSSL's per buffer size. Target: at least 0.9. (OpenSSL 3's one-shot
// SHA1() goes through its provider layer on every call, which dominates at 64 bytes.)
#include "SHA1.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <openssl/sha.h>
#include <random>
#include <string>
#include <vector>

namespace {

const std::vector<std::uint8_t>& Buffer(std::size_t size) {
    static std::map<std::size_t, std::vector<std::uint8_t>> buffers;
    auto& buffer = buffers[size];
    if (buffer.size() != size) {
        std::mt19937 random(static_cast<unsigned>(size));
        buffer.resize(size);
        for (auto& byte : buffer) {
            byte = static_cast<std::uint8_t>(random());
        }
    }
    return buffer;
}

void BM_Morvane(benchmark::State& state) {
    const auto& data = Buffer(static_cast<std::size_t>(state.range(0)));
    morvane::TSha1Digest digest;
    for (auto _ : state) {
        morvane::TSha1Context context;
        morvane::Sha1Init(context);
        morvane::Sha1Update(context, data.data(), data.size());
        morvane::Sha1Final(context, digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

void BM_OpenSSL(benchmark::State& state) {
    const auto& data = Buffer(static_cast<std::size_t>(state.range(0)));
    unsigned char digest[SHA_DIGEST_LENGTH];
    for (auto _ : state) {
        SHA1(data.data(), data.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}

BENCHMARK(BM_Morvane)->Arg(64)->Arg(8192)->Arg(1 << 20);
BENCHMARK(BM_OpenSSL)->Arg(64)->Arg(8192)->Arg(1 << 20);

// Shows every run as usual and keeps each one's throughput for the summary.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> throughput; // "BM_x/size" -> bytes per second

    RatioReporter() : ConsoleReporter(OO_Tabular) {} // plain text, no colour codes

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const auto& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end() && run.run_type == Run::RT_Iteration) {
                throughput[run.benchmark_name()] = it->second.value;
            }
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-10s %14s %14s %8s\n", "size", "ours MB/s", "OpenSSL MB/s", "ratio");
    bool met = true;
    for (const char* size : {"64", "8192", "1048576"}) {
        const auto ours = reporter.throughput.find(std::string("BM_Morvane/") + size);
        const auto peer = reporter.throughput.find(std::string("BM_OpenSSL/") + size);
        if (ours == reporter.throughput.end() || peer == reporter.throughput.end()) {
            continue;
        }
        const double ratio = ours->second / peer->second;
        met = met && ratio >= 0.9;
        std::printf("%-10s %14.1f %14.1f %8.2f\n", size, ours->second / 1e6, peer->second / 1e6,
                    ratio);
    }
    std::printf("target: ours at least 0.90 of OpenSSL's throughput: %s\n", met ? "met" : "MISSED");
    benchmark::Shutdown();
    return 0;
}
