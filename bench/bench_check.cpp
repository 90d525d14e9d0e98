// morvane-check against sha1sum on the same generated clean registration
// file: best wall time of a few runs each and each one's peak resident memory,
// for a file of 999,999 detail records (about 266 MB) and one ten times
// smaller, to show that the checker's peak memory does not grow with the file.
// Target: the checker takes at most twice sha1sum's time.
//
// Then the output steps of the checker are timed one by one in this process
// (temporary copy, digest, output file), so that a missed target can be
// traced to a phase; the rest of the checker's time is the validation.
//
//   bench_check [--details N] [--runs R]
//   bench_check --generate PATH --details N   (only writes the clean file)
//
// Everything is made in a fresh folder under $TMPDIR (or /tmp) and removed
// at the end. morvane-check is the one beside this executable.
#include "HashedOutput.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

// Record lengths of the registration file (line end not counted).
constexpr std::size_t kHeaderLength = 96;
constexpr std::size_t kDetailLength = 264;
constexpr std::size_t kTrailerLength = 41;
constexpr double kTimeTarget = 2.0; // checker time / sha1sum time, at most

struct TMeasure {
    double seconds = 0;
    long peakKiB = 0;
    int status = 0;
};

// Left-justifies `text` in a field of `width` bytes.
void Field(std::string& record, const std::string& text, std::size_t width) {
    std::string cell = text.substr(0, width);
    cell.resize(width, ' ');
    record += cell;
}

std::string Number(std::size_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*zu", width, value);
    return text;
}

// A clean file: header, `details` valid detail records numbered from 000001,
// trailer with the count; CR LF after every line.
void Generate(const std::string& path, std::size_t details) {
    const std::string batch = "BATCH-2024-0131";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        throw std::runtime_error("cannot create " + path);
    }
    std::vector<char> buffer(1 << 20);
    std::setvbuf(file, buffer.data(), _IOFBF, buffer.size());
    std::string record;
    record.reserve(kDetailLength + 2);

    record = "001";
    Field(record, batch, 32);
    Field(record, "COMPANY01", 12);
    Field(record, "CUSTOMER REFERENCE", 32);
    record += "20240131093015KVL";
    record += "\r\n";
    std::fwrite(record.data(), 1, record.size(), file);

    static const char* const kProducts[] = {"PAY", "DCP", "MCL", "BNT", "PA2", "MC1"};
    for (std::size_t i = 1; i <= details; ++i) {
        record = "002";
        Field(record, batch, 32);
        record += Number(i, 6);
        record += kProducts[i % std::size(kProducts)];
        Field(record, "10" + Number(i * 7919 % 100000000, 8), 25); // account number
        Field(record, "PAYEE " + Number(i, 6), 70);                // account name
        record += "001";                                           // bank code
        record += Number(i % 10000, 4);                            // branch code
        Field(record, "REF" + Number(i, 6), 20);                   // reference 1
        Field(record, "", 40);
        record += static_cast<char>('1' + i % 4); // action
        Field(record, "", 57);
        if (record.size() != kDetailLength) {
            throw std::logic_error("detail record of wrong length");
        }
        record += "\r\n";
        std::fwrite(record.data(), 1, record.size(), file);
    }

    record = "999";
    Field(record, batch, 32);
    record += Number(details, 6);
    if (record.size() != kTrailerLength) {
        throw std::logic_error("trailer record of wrong length");
    }
    record += "\r\n";
    std::fwrite(record.data(), 1, record.size(), file);
    if (std::fclose(file) != 0) {
        throw std::runtime_error("cannot write " + path);
    }
    static_assert(kHeaderLength == 3 + 32 + 12 + 32 + 8 + 6 + 3);
}

// Runs a program with its standard output discarded; returns its wall time,
// peak resident memory and exit status.
TMeasure Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const auto start = Clock::now();
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        throw std::runtime_error("cannot start " + args[0] + ": " + std::strerror(rc));
    }
    int status = 0;
    struct rusage usage {};
    while (::wait4(pid, &status, 0, &usage) < 0) {
        if (errno != EINTR) {
            throw std::runtime_error("wait4 failed");
        }
    }
    TMeasure m;
    m.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    m.peakKiB = usage.ru_maxrss;
    m.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return m;
}

// Best time and highest peak over `runs` runs; `before` runs ahead of each.
TMeasure Best(int runs, const std::vector<std::string>& args, const std::function<void()>& before) {
    TMeasure best;
    best.seconds = 1e30;
    for (int i = 0; i < runs; ++i) {
        before();
        const TMeasure m = Run(args);
        if (m.status != 0) {
            throw std::runtime_error(args[0] + " exited with status " + std::to_string(m.status));
        }
        best.seconds = std::min(best.seconds, m.seconds);
        best.peakKiB = std::max(best.peakKiB, m.peakKiB);
    }
    return best;
}

double Seconds(const std::function<void()>& step) {
    const auto start = Clock::now();
    step();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void EmptyFolder(const fs::path& dir) {
    for (const auto& entry : fs::directory_iterator(dir)) {
        fs::remove_all(entry.path());
    }
}

struct TRemoveOnExit {
    fs::path path;
    ~TRemoveOnExit() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

int Main(int argc, char** argv) {
    std::size_t details = 999999;
    int runs = 3;
    std::string generateOnly;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--generate" && i + 1 < argc) {
            generateOnly = argv[++i];
        } else if (arg == "--details" && i + 1 < argc) {
            details = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr,
                         "usage: bench_check [--details N] [--runs R] [--generate PATH]\n");
            return 2;
        }
    }
    if (details < 10 || details > 999999) {
        std::fprintf(stderr, "--details must be between 10 and 999999 (six-digit counts)\n");
        return 2;
    }
    if (!generateOnly.empty()) {
        Generate(generateOnly, details);
        return 0;
    }

    const fs::path self = fs::read_symlink("/proc/self/exe");
    const std::string checker = (self.parent_path() / "morvane-check").string();
    if (::access(checker.c_str(), X_OK) != 0) {
        std::fprintf(stderr, "%s is missing: build the morvane-check target\n", checker.c_str());
        return 2;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") +
                          "/bench_check-" + std::string(6, 'X'); // mkdtemp template
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 2;
    }
    const TRemoveOnExit cleanup{pattern};
    const fs::path root = pattern;
    const fs::path data = root / "data";
    const fs::path out = root / "out";
    fs::create_directory(data);
    fs::create_directory(out);

    std::printf("%-10s %10s | %12s %12s | %12s %12s | %7s\n", "details", "file MB", "check s",
                "check MiB", "sha1sum s", "sha1sum MiB", "ratio");
    bool timeMet = true;
    long bigPeak = 0, smallPeak = 0;
    for (const std::size_t count : {details, details / 10}) {
        const std::string file =
            (root / ("registration-" + std::to_string(count) + ".txt")).string();
        Generate(file, count);
        const auto size = fs::file_size(file);
        // Read once so both programs start from the same warm page cache.
        Run({"cat", file});
        const TMeasure check =
            Best(runs, {checker, "--data-dir", data.string(), "--output", out.string(), file},
                 [&] { EmptyFolder(out); });
        std::size_t outputs = 0;
        for (const auto& entry : fs::directory_iterator(out)) {
            ++outputs;
            if (fs::file_size(entry.path()) != size + 42) {
                throw std::runtime_error("the output file has the wrong size");
            }
        }
        if (outputs != 1) {
            throw std::runtime_error("morvane-check wrote no output file");
        }
        const TMeasure sum = Best(runs, {"sha1sum", file}, [] {});
        const double ratio = check.seconds / sum.seconds;
        std::printf("%-10zu %10.1f | %12.3f %12.1f | %12.3f %12.1f | %7.2f\n", count, size / 1e6,
                    check.seconds, check.peakKiB / 1024.0, sum.seconds, sum.peakKiB / 1024.0,
                    ratio);
        if (count == details) {
            timeMet = ratio <= kTimeTarget;
            bigPeak = check.peakKiB;

            // The same road without the output file, then the output steps
            // alone on the same file (best of the runs each). The validation's
            // share is what the road without the output spends beyond the copy
            // and the digest.
            const TMeasure noOutput =
                Best(runs, {checker, "--data-dir", data.string(), file}, [] {});
            const std::string temp = (data / "TempNewFile.txt").string();
            const std::string output = (out / "phase-output").string();
            morvane::TSha1Digest digest{};
            double copy = 1e30, hash = 1e30, write = 1e30;
            for (int i = 0; i < runs; ++i) {
                copy = std::min(copy, Seconds([&] { morvane::WriteTempCopy(file, temp); }));
                hash = std::min(hash, Seconds([&] { morvane::HashFile(temp, digest); }));
                write = std::min(write, Seconds([&] {
                                     morvane::WriteOutputFile(morvane::DigestText(digest), temp,
                                                              output);
                                 }));
                fs::remove(output);
            }
            std::printf(
                "  morvane-check without --output: %.3f s, so the output file costs %.3f s\n",
                noOutput.seconds, check.seconds - noOutput.seconds);
            std::printf("  phases alone: temporary copy %.3f s, digest %.3f s, output file %.3f s; "
                        "validation and start-up about %.3f s\n",
                        copy, hash, write, noOutput.seconds - copy - hash);
        } else {
            smallPeak = check.peakKiB;
        }
        EmptyFolder(out);
        fs::remove(file);
    }
    const bool memoryFlat = bigPeak <= smallPeak + 4096; // within 4 MiB for a 10x file
    std::printf("target time: at most %.1fx sha1sum: %s\n", kTimeTarget,
                timeMet ? "met" : "MISSED");
    std::printf("target memory: peak flat from %zu to %zu details (%.1f vs %.1f MiB): %s\n",
                details / 10, details, smallPeak / 1024.0, bigPeak / 1024.0,
                memoryFlat ? "met" : "MISSED");
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Main(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_check: %s\n", e.what());
        return 2;
    }
}
