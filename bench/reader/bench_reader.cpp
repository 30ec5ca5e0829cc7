// The reader on a generated book of 2,000 pages and about 60 MB: each page a few
// kilobytes of text in one of 40 chapters, with a picture of incompressible bytes, so
// that the book file is about as large as its pages.
//
//   BM_OpenBook         opening the book (resources, both cabinets, system files) in a
//                       fresh process; counters: peak memory (MB) and its ratio to the
//                       book file's size
//   BM_StartToFirstPage the program pagelamp from its start until it reports the first
//                       page shown; counters: peak memory of the program and the ratio
//   BM_NextStep         one Next in the window, until the page has loaded
//   BM_Search           a search over every searchable page
//
// Run under xvfb-run with QTWEBENGINE_DISABLE_SANDBOX=1 and
// QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu --no-sandbox". The book is made once in
// the temporary folder's "pagelamp-bench" and kept for later runs.
#include "../big_book.h"
#include "book_fixture.h"
#include "frm_Reader.h"
#include "u_BookScheme.h"
#include "u_Compile.h"
#include "u_Project.h"
#include "u_ReaderBook.h"
#include "u_ReaderSearch.h"
#include "u_ReaderSession.h"
#include "u_Registry.h"

#include <QAction>
#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Kept between runs (making the book takes a while), in the host's temporary folder.
const std::string BenchFolder = (fs::temp_directory_path() / "pagelamp-bench").string();

std::string MakeBook() {
    return MakeBigBook(BenchFolder);
}

double BookMegabytes() {
    return static_cast<double>(fs::file_size(MakeBook())) / (1024.0 * 1024.0);
}

// Peak resident memory of a process in megabytes (VmHWM).
double PeakMegabytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    return 0;
}

// Runs the event loop until the window has shown one more page (false after a minute
// without one). Driven by the signal, so that the time measured is the engine's.
bool NextPageShown(TfrmReader& window) {
    QEventLoop loop;
    bool shown = false;
    const auto connection = QObject::connect(&window, &TfrmReader::PageShown, &loop, [&](bool) {
        shown = true;
        loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(connection);
    return shown;
}

// Runs a program and waits for a line of its standard error that starts with Marker;
// the process is ended afterwards. Gives the seconds until the line and the peak memory.
bool RunUntil(const std::vector<std::string>& argv, const std::string& marker, double& seconds, double& peak,
              std::string& line) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    FILE* err = fdopen(pipeFds[0], "r");
    char buffer[4096];
    bool found = false;
    while (fgets(buffer, sizeof buffer, err)) {
        line = buffer;
        if (line.find(marker) != std::string::npos) {
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            peak = PeakMegabytes(pid);
            found = true;
            break;
        }
    }
    kill(pid, SIGTERM);
    fclose(err);
    int status = 0;
    waitpid(pid, &status, 0);
    return found;
}

// The sample book, for the engine's own share of a step on small pages.
std::string SampleBook() {
    const std::string file = BenchFolder + "/Lighthouse.exe";
    if (!fs::exists(file)) {
        TBookProject project;
        project.OpenProject(std::string(QUARVEL_SOURCE_DIR) + "/samples/Lighthouse/Lighthouse.ebp", false);
        TCompileSettings settings;
        settings.ProgramFolder = BenchFolder + "/program/";
        settings.OutputFile = file;
        CompileProject(project, settings);
    }
    return file;
}

void BM_OpenBook(benchmark::State& state) {
    const std::string book = MakeBook();
    double peak = 0;
    for (auto _ : state) {
        double seconds = 0;
        std::string line;
        if (!RunUntil({"/proc/self/exe", "--open-book", book}, "opened", seconds, peak, line)) {
            state.SkipWithError("the book could not be opened");
            return;
        }
        state.SetIterationTime(std::stod(line.substr(line.find(' ') + 1)));
    }
    state.counters["peak_MB"] = peak;
    state.counters["peak_per_book"] = peak / BookMegabytes();
    state.counters["book_MB"] = BookMegabytes();
}
BENCHMARK(BM_OpenBook)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_StartToFirstPage(benchmark::State& state) {
    MakeBook(); // the program folder
    const std::string book = state.range(0) == 0 ? MakeBook() : SampleBook();
    state.SetLabel(state.range(0) == 0 ? "generated book" : "sample book");
    // A settings file of its own, so that the book opens at its first page.
    setenv("XDG_CONFIG_HOME", (BenchFolder + "/config").c_str(), 1);
    double peak = 0;
    for (auto _ : state) {
        fs::remove_all(BenchFolder + "/config");
        double seconds = 0;
        std::string line;
        if (!RunUntil({std::string(QUARVEL_BIN_DIR) + "/pagelamp", "--timing", "--batch", book},
                      "pagelamp: first page shown", seconds, peak, line)) {
            state.SkipWithError("pagelamp did not show the first page");
            return;
        }
        state.SetIterationTime(seconds);
    }
    state.counters["peak_MB"] = peak;
    state.counters["peak_per_book"] = peak / (static_cast<double>(fs::file_size(book)) / (1024.0 * 1024.0));
}
BENCHMARK(BM_StartToFirstPage)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_NextStep(benchmark::State& state) {
    MakeBook(); // the program folder
    static TReaderBook big(MakeBook());
    static TReaderBook sample(SampleBook());
    TReaderBook& book = state.range(0) == 0 ? big : sample;
    state.SetLabel(state.range(0) == 0 ? "generated book" : "sample book");
    TReaderSession session(book);
    TfrmReader window(session);
    window.show();
    QTimer::singleShot(0, &window, &TfrmReader::Start);
    if (!NextPageShown(window)) {
        state.SkipWithError("no first page");
        return;
    }
    for (auto _ : state) {
        window.UpdateCommands();
        if (!window.actNext->isEnabled()) {
            state.PauseTiming();
            QTimer::singleShot(0, window.actFirst, &QAction::trigger);
            NextPageShown(window);
            state.ResumeTiming();
        }
        QTimer::singleShot(0, window.actNext, &QAction::trigger);
        if (!NextPageShown(window)) {
            state.SkipWithError("the next page did not load");
            return;
        }
    }
}
BENCHMARK(BM_NextStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(50);

void BM_Search(benchmark::State& state) {
    static TReaderBook book(MakeBook());
    size_t hits = 0;
    for (auto _ : state)
        hits = SearchBook(book, "granite beacon").size();
    state.counters["hits"] = static_cast<double>(hits);
}
BENCHMARK(BM_Search)->Unit(benchmark::kMillisecond)->Iterations(3);

// The measuring child of BM_OpenBook: opens the book and reports the seconds it took.
int OpenBookOnly(const std::string& file) {
    const auto start = std::chrono::steady_clock::now();
    TReaderBook book(file);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::cerr << "opened " << seconds << std::endl;
    pause(); // until the parent has read the peak memory
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--open-book") == 0)
        return OpenBookOnly(argv[2]);
    RegisterBookScheme();
    QApplication app(argc, argv);
    SetRegistryFileName(BenchFolder + "/bench.conf");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
