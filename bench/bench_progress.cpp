// The desktop program's progress window against a host that shows nothing: 2,000 small files
// imported into an encrypted archive on real files, once through the Workspace's host and the Qt
// progress dialog (offscreen), once through a scripted host that answers every poll at once. The
// pump looks at the window system at most every 2 ms, delivers the program's own posted events on
// every poll and rewrites the widgets at most every 50 ms, so the window should cost almost nothing
// beside the work itself.
#include "BenchSummary.h"
#include "CCodeArchive.h"
#include "Preferences.h"
#include "ProgressDialog.h"
#include "QtWorkspaceDialogs.h"
#include "SecretText.h"
#include "Workspace.h"

#include <QApplication>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace quorvane;
namespace fs = std::filesystem;

constexpr int kFiles = 2000;
constexpr size_t kFileSize = 2048;
const char* const kPassword = "bench-password-4711";

CreateSettings Settings() {
    CreateSettings s;
    s.encrypt = true;
    s.password = kPassword;
    s.method = kMethodTwofish;
    s.thumbnails = false;
    return s;
}

// The scripted host: every question answered at once, progress shown nowhere.
class ScriptedBenchHost : public ArchiveHost {
public:
    void ShowMessage(Status /*code*/, const std::string& /*text*/) override {}
    void ShowNotice(const std::string& /*text*/) override {}
    bool AskPassword(const std::string& /*displayName*/, std::string& password) override {
        password = kPassword;
        return true;
    }
    bool AskCreateSettings(const std::string& /*path*/, CreateSettings& out) override {
        out = Settings();
        return true;
    }
    bool AskConfirmPassword(std::string& password) override {
        password = kPassword;
        return true;
    }
    bool Confirm(const Prompt& /*prompt*/) override { return true; }
    void Alert(const Prompt& /*prompt*/) override {}
    bool ChooseFolder(std::string& /*chosen*/) override { return false; }
    void ProgressOpen(int /*kind*/, const std::string& /*name*/, int /*format*/, int /*quality*/) override {}
    void ProgressTotal(int /*total*/) override {}
    void ProgressText(const std::string& /*text*/, const ProgressCounts& /*counts*/) override {}
    void ProgressPiece(int /*piece*/, int /*pieces*/) override {}
    bool PollCancel() override { return false; }
    void ProgressClose() override {}
};

// The program's own dialogs, with the password typed at once and no box left waiting.
class AnsweringDialogs : public QtWorkspaceDialogs {
public:
    bool AskPassword(const QString& /*archiveName*/, SecretText& password, int& /*hidePassword*/) override {
        password.SetUtf8(kPassword);
        return true;
    }
    void ShowMessage(const QString& text) override { std::fprintf(stderr, "%s\n", qPrintable(text)); }
    bool Confirm(const Confirmation& /*confirmation*/, bool& /*doNotShowAgain*/) override { return true; }
    void Alert(const Confirmation& /*confirmation*/, bool& /*doNotShowAgain*/) override {}
};

struct Sources {
    fs::path root;
    std::vector<std::string> paths;

    Sources() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_progress.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        root = pattern;
        fs::create_directory(root / "src");
        std::vector<uint8_t> bytes(kFileSize);
        uint64_t x = 0x9E3779B97F4A7C15ull;
        for (int i = 0; i < kFiles; ++i) {
            for (uint8_t& b : bytes) {
                x ^= x << 13;
                x ^= x >> 7;
                x ^= x << 17;
                b = static_cast<uint8_t>(x);
            }
            const std::string path = (root / "src" / ("file" + std::to_string(i) + ".dat")).string();
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                std::exit(1);
            }
            ::close(fd);
            paths.push_back(path);
        }
    }
    ~Sources() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string Archive() const { return (root / "bench.kvq").string(); }
};

Sources& Shared() {
    static Sources sources;
    return sources;
}

// A fresh, empty archive at the shared path.
bool MakeEmptyArchive() {
    const std::string path = Shared().Archive();
    fs::remove(path);
    ScriptedBenchHost host;
    CCodeArchive archive(host);
    return archive.Create(path, Settings()) == kOk && archive.Close(true) == kOk;
}

void ImportScripted(benchmark::State& s) {
    Sources& sources = Shared();
    ScriptedBenchHost host;
    for (auto _ : s) {
        s.PauseTiming();
        CCodeArchive archive(host);
        if (!MakeEmptyArchive() || archive.Open(sources.Archive()) != kOk) {
            s.SkipWithError("cannot make the archive");
            break;
        }
        s.ResumeTiming();
        if (ImportPaths(archive, sources.paths, 0, false) != kOk || archive.entryCount() != kFiles + 1) {
            s.SkipWithError("import failed");
            break;
        }
        s.PauseTiming();
        archive.Close(true);
        s.ResumeTiming();
    }
    s.counters["files"] = kFiles;
}

void ImportThroughDialog(benchmark::State& s) {
    Sources& sources = Shared();
    Preferences prefs;
    prefs.alertPerformance = 1;
    AnsweringDialogs dialogs;
    Workspace workspace(prefs, dialogs, PosixFileSystem());
    ProgressDialog dialog;
    workspace.SetProgressWindow(&dialog);
    for (auto _ : s) {
        s.PauseTiming();
        if (!MakeEmptyArchive() || workspace.Open(QString::fromStdString(sources.Archive())) != kOk) {
            s.SkipWithError("cannot open the archive");
            break;
        }
        CCodeArchive& archive = *workspace.ArchiveAt(1);
        s.ResumeTiming();
        if (ImportPaths(archive, sources.paths, 0, false) != kOk || archive.entryCount() != kFiles + 1) {
            s.SkipWithError("import failed");
            break;
        }
        s.PauseTiming();
        workspace.CloseAll();
        s.ResumeTiming();
    }
    workspace.SetProgressWindow(nullptr);
    s.counters["files"] = kFiles;
}

// Repetitions of the two are interleaved (see main), so that a machine that slows down mid-run
// slows both alike.
BENCHMARK(ImportScripted)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(5);
BENCHMARK(ImportThroughDialog)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(5);

void Summarise(const bench::Results& results) {
    const bench::Result* dialog =
        bench::Find(results, "ImportThroughDialog/iterations:3/repeats:5/real_time");
    const bench::Result* scripted = bench::Find(results, "ImportScripted/iterations:3/repeats:5/real_time");
    if (dialog && scripted) {
        bench::PrintRatio("import-dialog-vs-scripted",
                          dialog->secondsPerIteration / scripted->secondsPerIteration);
        // The same on the processor time of the importing thread: what the window costs, without
        // what other programs on a busy machine take from the wall clock.
        bench::PrintRatio("import-dialog-vs-scripted-cpu",
                          dialog->cpuSecondsPerIteration / scripted->cpuSecondsPerIteration);
        bench::PrintFigure("import-through-dialog", kFiles / dialog->secondsPerIteration, "files/s");
    }
}

} // namespace

int main(int argc, char** argv) {
    // The window is drawn but never shown on a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    Shared(); // the sources exist, and are in the page cache, before either case runs
    std::vector<char*> args(argv, argv + argc);
    std::string interleave = "--benchmark_enable_random_interleaving=true";
    args.insert(args.begin() + 1, interleave.data());
    int count = static_cast<int>(args.size());
    return bench::RunAndSummarise(count, args.data(), Summarise);
}
