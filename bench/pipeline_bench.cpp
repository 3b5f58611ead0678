// Figures for the page pipeline and the drop intake. Prints Google
// Benchmark's table, then one "name: value" figure per line:
//   page-vs-copy: time to load, decode and write the page of a ~100 MB
//                 Shift-JIS text over the time to copy that file's bytes
//                 with plain buffered reads and writes (file streams);
//                 page-vs-copy-64k compares with a copy through one 64 KB
//                 buffer instead
//   page-peak-mem-ratio: peak resident memory of a process that makes that
//                 page, over the text's size
//   drop-10k-onto-20k-ms: one drop of 10,000 new paths onto a queue of
//                 20,000 entries
// Usage: quill_bench [work folder] (default: a new folder under /tmp)

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <random>

#include "bench_platform.h"
#include "event_pump.h"
#include "html/page_writer.h"
#include "html/text_loader.h"
#include "intake/drop_intake.h"
#include "state/program_state.h"
#include "base/text_util.h"

namespace fs = std::filesystem;
using quill::bench::BenchPlatform;

namespace {

constexpr std::size_t kTextBytes = 100u * 1000 * 1000;
fs::path g_folder;

fs::path textPath() {
    return g_folder / "report.txt";
}

std::u16string widePath(const fs::path& path) {
    std::u16string wide;
    for (char c : path.string()) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
    return wide;
}

// Japanese prose as a converter writes it from office documents: lines of 10
// to 120 bytes, mostly double-byte words and punctuation, some half-width
// katakana, and now and then ASCII (numbers, names, markup characters, tabs)
// and trailing spaces; CR LF line breaks.
void writeText(const fs::path& path) {
    static const char* const kJapanese[] = {
        "\x93\xfa\x96\x7b\x8c\xea",
        "\x95\xb6\x8f\x91",
        "\x82\xcc",
        "\x95\xcf\x8a\xb7",
        "\x82\xf0\x8d\x73\x82\xa2\x82\xdc\x82\xb7",
        "\x81\x42",
        "\x81\x41",
        "\x83\x65\x83\x4c\x83\x58\x83\x67",
        "\x89\xef\x8b\x63",
        "\x8e\x91\x97\xbf",
        "\x82\xc9\x82\xc2\x82\xa2\x82\xc4",
        "\x95\xf1\x8d\x90\x8f\x91",
        "\x82\xcd",
        "\x82\xaa",
        "\x8a\x94\x8e\xae\x89\xef\x8e\xd0",
        "\x97\x5c\x8e\x5a",
        "\x8c\x76\x89\xe6",
        "\xb6\xc0\xb6\xc5",
        "\x81\x69",
        "\x81\x6a",
        "\x81\x75",
        "\x81\x76",
    };
    static const char* const kAscii[] = {"2026",        "PDF", "Quillmark 0.03",
                                         " a<b & c>d ", "\t",  "10%"};
    std::mt19937 random(12345);
    std::string chunk;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    std::size_t written = 0;
    while (written < kTextBytes) {
        chunk.clear();
        while (chunk.size() < (1u << 20)) {
            const std::size_t lineLength = 10 + random() % 111;
            const std::size_t start = chunk.size();
            while (chunk.size() - start < lineLength) {
                chunk += random() % 100 < 8 ? kAscii[random() % std::size(kAscii)]
                                            : kJapanese[random() % std::size(kJapanese)];
            }
            if (random() % 10 == 0) chunk += "   ";
            chunk += "\r\n";
        }
        written += std::fwrite(chunk.data(), 1, chunk.size(), out);
    }
    std::fclose(out);
}

// The page of report.txt, recorded in the output list as a run records it.
class ReportPage {
public:
    ReportPage() { (void)program_.list3.append(widePath(textPath())); }

    // Loads, decodes and writes the page: what a press of the start button
    // does for each text output.
    [[nodiscard]] bool make(BenchPlatform& platform) {
        return quill::loadTextOutput(platform, platform, program_, text_) &&
               quill::writePage(platform, platform, program_, text_, [] {});
    }

private:
    quill::ProgramState program_;
    quill::TextBuffer text_;
};

// The drop routine alone: its yields run no events, and what it reports
// goes to no window.
class NoWindow final : public quill::EventLoop, public quill::IntakeListener {
public:
    void doEvents() override {}
    void sleep(std::uint32_t) override {}
    void startAllowed(bool) override {}
    void documentsReady() override {}
};

// One drop, handled as the window handles it: staged, checked, cleared.
void drop(quill::DropIntake& intake, const quill::DropData& data) {
    intake.stage(data);
    intake.sDropCheck();
    intake.clearStaging();
}

// The plain buffered copy: the standard library's file streams, with their
// own buffers.
void copyWithStreams(const fs::path& from, const fs::path& to) {
    std::ifstream in(from, std::ios::binary);
    std::ofstream out(to, std::ios::binary);
    out << in.rdbuf();
}

// A tuned copy, for comparison: stdio through one 64 KB buffer.
void copyWithLargeBuffer(const fs::path& from, const fs::path& to) {
    std::FILE* in = std::fopen(from.c_str(), "rb");
    std::FILE* out = std::fopen(to.c_str(), "wb");
    std::vector<char> buffer(1 << 16);
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0)
        std::fwrite(buffer.data(), 1, n, out);
    std::fclose(in);
    std::fclose(out);
}

void BM_CopyText(benchmark::State& state) {
    for (auto _ : state) copyWithStreams(textPath(), g_folder / "copy.txt");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kTextBytes));
}

void BM_CopyText64k(benchmark::State& state) {
    for (auto _ : state) copyWithLargeBuffer(textPath(), g_folder / "copy64k.txt");
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kTextBytes));
}

// The page of report.txt, made again and again, as every press of the start
// button remakes the pages of the earlier runs.
void BM_PagePipeline(benchmark::State& state) {
    BenchPlatform platform;
    ReportPage page;
    for (auto _ : state) {
        if (!page.make(platform)) state.SkipWithError("page not made");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kTextBytes));
}

void BM_Drop10kOnto20k(benchmark::State& state) {
    NoWindow window;
    quill::EventPump events(window);
    for (auto _ : state) {
        state.PauseTiming();
        auto program = std::make_unique<quill::ProgramState>();
        quill::DropIntake intake(*program, events, window);
        quill::DropData queued{true, {}};
        for (int i = 0; i < 20000; ++i)
            queued.files.push_back(u"D:\\queue\\document " + quill::decimal(i) + u".doc");
        drop(intake, queued);
        quill::DropData fresh{true, {}};
        for (int i = 0; i < 10000; ++i)
            fresh.files.push_back(u"D:\\fresh\\document " + quill::decimal(i) + u".pdf");
        state.ResumeTiming();
        drop(intake, fresh);
        state.PauseTiming();
        if (program->list2.count() != 30000) state.SkipWithError("drop lost paths");
        program.reset();  // freed outside the timing
        state.ResumeTiming();
    }
}

BENCHMARK(BM_CopyText)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CopyText64k)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PagePipeline)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Drop10kOnto20k)->Unit(benchmark::kMillisecond)->Iterations(5);

// Keeps each benchmark's mean real time in ms, and prints the usual table.
class FigureReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            milliseconds[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> milliseconds;
};

// Peak resident memory of a fresh process that makes the page once, in bytes.
long peakPageMemory() {
    const pid_t child = fork();
    if (child == 0) {
        BenchPlatform platform;
        ReportPage page;
        _exit(page.make(platform) ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    return usage.ru_maxrss * 1024L;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    g_folder = argc > 1 ? fs::path(argv[1])
                        : fs::temp_directory_path() / ("quill-bench-" + std::to_string(getpid()));
    fs::create_directories(g_folder);
    writeText(textPath());
    const double textSize = static_cast<double>(fs::file_size(textPath()));

    FigureReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double peak = static_cast<double>(peakPageMemory());
    const double pageBytes = static_cast<double>(fs::file_size(g_folder / "report.html"));
    fs::remove_all(g_folder);

    std::cout << "text-bytes: " << static_cast<long>(textSize) << "\n";
    std::cout << "page-bytes: " << static_cast<long>(pageBytes) << "\n";
    const double pageMs = reporter.milliseconds["BM_PagePipeline/iterations:5"];
    std::cout << "page-vs-copy-64k: "
              << pageMs / reporter.milliseconds["BM_CopyText64k/iterations:5"] << "\n";
    std::cout << "page-vs-copy: " << pageMs / reporter.milliseconds["BM_CopyText/iterations:5"]
              << "\n";
    std::cout << "page-peak-mem-ratio: " << peak / textSize << "\n";
    std::cout << "drop-10k-onto-20k-ms: " << reporter.milliseconds["BM_Drop10kOnto20k/iterations:5"]
              << "\n";
    return 0;
}
