// The contents list with thumbnails, rendered offscreen: a folder of 1,000 pictures in a full
// (5,120-entry) Twofish archive with 96-pixel thumbnails. The first painted screen after selecting
// the folder is set against the bare cost of rendering the thumbnails that screen shows through the
// engine on one thread, without any widget, in the same run; the first paint is measured with the
// engine's workers (as the program runs) and without them. Scrolling is measured a screen at a time.
#include "CCodeArchive.h"

#include "BenchSummary.h"
#include "CCodeList.h"
#include "DropTarget.h"
#include "PaneHost.h"
#include "Preferences.h"
#include "WorkerPool.h"

#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QScrollBar>

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

constexpr int kPictures = 1000;
const char* const kPassword = "bench-password-4711";

class BenchHost : public ArchiveHost {
public:
    CreateSettings settings;
    void ShowMessage(Status code, const std::string& text) override {
        std::fprintf(stderr, "message %d: %s\n", code, text.c_str());
    }
    void ShowNotice(const std::string& /*text*/) override {}
    bool AskPassword(const std::string& /*displayName*/, std::string& password) override {
        password = kPassword;
        return true;
    }
    bool AskCreateSettings(const std::string& /*path*/, CreateSettings& out) override {
        out = settings;
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

// The Workspace's part: the open archive and the fill of the list when a folder is selected.
class BenchPanes : public PaneHost {
public:
    CCodeArchive* archive = nullptr;
    CCodeList* list = nullptr;
    int current = 0;
    int folder = 0;
    DropTarget drop;
    Preferences prefs;

    int ArchiveCount() const override { return archive ? 1 : 0; }
    CCodeArchive* ArchiveAt(int slot) const override { return slot == 1 ? archive : nullptr; }
    int CurrentArchive() const override { return current; }
    int CurrentFolder() const override { return folder; }
    bool Busy() const override { return false; }
    void SelectArchiveFolder(int slot, int number, bool /*force*/) override {
        current = slot;
        folder = number;
        list->RemoveAll();
        list->ShowFolder(slot, number, archive->entryCount());
        for (int i = 1; i < archive->entryCount(); ++i) {
            const CatalogueEntry* e = archive->Entry(EntryIndex(i));
            if (e && e->parent == number) {
                list->InsertEntry(i + 1);
            }
        }
        list->EndFill(true);
    }
    int Rename(int /*archive*/, int /*number*/, const QString& /*text*/) override { return -1; }
    void OpenEntry(int /*number*/) override {}
    DropTarget& Drop() override { return drop; }
    void SetInternalDrag(bool /*on*/) override {}
    bool InternalDrag() const override { return false; }
    void DropItems() override {}
    void DropFiles(const QStringList& /*paths*/) override {}
    Preferences& Prefs() override { return prefs; }
    void NoteActivity() override {}
};

QByteArray Jpeg(int width, int height, int seed) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.setPixel(
                x, y,
                qRgb((x * 255 / width + seed * 17) & 0xFF, (y * 255 / height) & 0xFF, (seed * 53) & 0xFF));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.write(image);
    return bytes;
}

void WriteFile(const fs::path& path, const char* data, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    ::close(fd);
}

// The archive, the window and the list, made once and removed at exit.
struct Setup {
    fs::path root;
    BenchHost engineHost;
    std::unique_ptr<CCodeArchive> archive;
    BenchPanes panes;
    std::unique_ptr<CCodeList> list;
    int pictures = 0;
    std::vector<int> firstScreen; // entries whose thumbnails the first paint rendered

    Setup() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_views.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        root = pattern;
        engineHost.settings.encrypt = true;
        engineHost.settings.password = kPassword;
        engineHost.settings.method = 0x0CAB0001;
        engineHost.settings.thumbnails = true;
        engineHost.settings.thumbnailFormat = 8; // 96 pixels, colour
        archive = std::make_unique<CCodeArchive>(engineHost);
        const std::string path = (root / "full.kvq").string();
        if (archive->Create(path) != kOk) {
            std::exit(1);
        }
        archive->CreateFolder(0, "Pictures", 1, &pictures);
        int others = 0;
        archive->CreateFolder(0, "Other", 1, &others);
        fs::create_directory(root / "pictures");
        fs::create_directory(root / "other");
        std::vector<std::string> paths;
        for (int i = 0; i < kPictures; ++i) {
            const QByteArray jpeg = Jpeg(64 + i % 17, 48 + i % 11, i);
            const fs::path file = root / "pictures" / ("IMG_" + std::to_string(10000 + i) + ".jpg");
            WriteFile(file, jpeg.constData(), static_cast<size_t>(jpeg.size()));
            paths.push_back(file.string());
        }
        if (ImportPaths(*archive, paths, pictures, false) != kOk) {
            std::exit(1);
        }
        paths.clear();
        const int rest = kMaxEntries - archive->entryCount();
        for (int i = 0; i < rest; ++i) {
            const std::string text = "note " + std::to_string(i);
            const fs::path file = root / "other" / ("note" + std::to_string(i) + ".txt");
            WriteFile(file, text.data(), text.size());
            paths.push_back(file.string());
        }
        if (ImportPaths(*archive, paths, others, false) != kOk || archive->entryCount() != kMaxEntries) {
            std::fprintf(stderr, "the archive holds %d entries\n", archive->entryCount());
            std::exit(1);
        }

        panes.archive = archive.get();
        list = std::make_unique<CCodeList>(panes);
        panes.list = list.get();
        list->SetViewMode(CCodeList::kModeThumbnails);
        list->resize(800, 600);
        list->show();
        QCoreApplication::processEvents();
        list->Thumbnails().SetRenderHook([this](int number, int) {
            if (recordFirstScreen) {
                firstScreen.push_back(number);
            }
        });
    }
    ~Setup() {
        list.reset();
        archive.reset();
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    // Nothing shown, nothing cached: as before the user picks the folder.
    void Reset() {
        list->RemoveAll();
        list->Thumbnails().Clear();
        panes.current = panes.folder = 0;
        QCoreApplication::processEvents();
    }
    // What Qt does before the first paint - lay the items out - and the paint itself, synchronously.
    void SelectAndPaint() {
        panes.SelectArchiveFolder(1, pictures, true);
        QAbstractItemView* view = list->CurrentView();
        view->doItemsLayout();
        view->viewport()->repaint();
    }

    bool recordFirstScreen = false;
};

// Made on first use; gone before the application object.
std::unique_ptr<Setup> shared;
Setup& Shared() {
    if (!shared) {
        shared = std::make_unique<Setup>();
    }
    return *shared;
}

void ListFirstPaint(benchmark::State& state) {
    Setup& s = Shared();
    for (auto _ : state) {
        state.PauseTiming();
        s.Reset();
        s.firstScreen.clear();
        s.recordFirstScreen = true;
        state.ResumeTiming();
        s.SelectAndPaint();
        state.PauseTiming();
        s.recordFirstScreen = false;
        state.ResumeTiming();
    }
    state.counters["thumbnails"] = static_cast<double>(s.firstScreen.size());
    if (s.firstScreen.empty()) {
        state.SkipWithError("the first paint drew no thumbnail");
    }
}

// The same first paint with the engine's workers off: the list's own cost, every thumbnail
// decrypted on this thread as in the bare render below.
void ListFirstPaintOneThread(benchmark::State& state) {
    const WorkerPool::ThreadsFor one(1);
    ListFirstPaint(state);
}

// The same thumbnails rendered through the engine alone, into the cell the list draws.
void BareRender(benchmark::State& state) {
    Setup& s = Shared();
    if (s.firstScreen.empty()) {
        s.Reset();
        s.recordFirstScreen = true;
        s.SelectAndPaint();
        s.recordFirstScreen = false;
    }
    const int cell = s.archive->thumbSizeIndex();
    for (auto _ : state) {
        for (int number : s.firstScreen) {
            benchmark::DoNotOptimize(s.archive->RenderThumbnail(EntryIndex::OfNumber(number), cell));
        }
    }
    state.counters["thumbnails"] = static_cast<double>(s.firstScreen.size());
}

void ListScrollFrames(benchmark::State& state) {
    Setup& s = Shared();
    int frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.Reset();
        s.SelectAndPaint();
        QScrollBar* bar = s.list->CurrentView()->verticalScrollBar();
        frames = 0;
        state.ResumeTiming();
        // Each frame scrolls a screen and paints the whole of it.
        while (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + bar->pageStep());
            s.list->CurrentView()->viewport()->repaint();
            ++frames;
        }
    }
    state.counters["frames"] = frames;
}

// Medians of a few repetitions: the machine the figures come from is shared.
BENCHMARK(ListFirstPaint)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20)->Repetitions(5);
BENCHMARK(ListFirstPaintOneThread)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20)
    ->Repetitions(5);
BENCHMARK(BareRender)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(50)->Repetitions(5);
BENCHMARK(ListScrollFrames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)->Repetitions(5);

void Summarise(const bench::Results& results) {
    const bench::Result* first = bench::Find(results, "ListFirstPaint/iterations:20/repeats:5/real_time");
    const bench::Result* one =
        bench::Find(results, "ListFirstPaintOneThread/iterations:20/repeats:5/real_time");
    const bench::Result* bare = bench::Find(results, "BareRender/iterations:50/repeats:5/real_time");
    const bench::Result* scroll = bench::Find(results, "ListScrollFrames/iterations:3/repeats:5/real_time");
    if (first) {
        bench::PrintFigure("list-1000-thumbs-first-paint", first->secondsPerIteration * 1e3, "ms");
    }
    if (first && bare && bare->secondsPerIteration > 0) {
        bench::PrintRatio("list-first-paint-vs-render",
                          first->secondsPerIteration / bare->secondsPerIteration);
        bench::PrintFigure("list-bare-render", bare->secondsPerIteration * 1e3, "ms");
        bench::PrintFigure("list-first-paint-thumbnails", first->counters.at("thumbnails"), "");
        bench::PrintFigure("pool-threads", WorkerPool::Threads(), "");
    }
    if (one && bare && bare->secondsPerIteration > 0) {
        bench::PrintRatio("list-first-paint-one-thread-vs-render",
                          one->secondsPerIteration / bare->secondsPerIteration);
    }
    if (scroll && scroll->counters.at("frames") > 0) {
        bench::PrintFigure("list-scroll-frame",
                           scroll->secondsPerIteration * 1e3 / scroll->counters.at("frames"), "ms");
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int status = bench::RunAndSummarise(argc, argv, Summarise);
    shared.reset();
    return status;
}
