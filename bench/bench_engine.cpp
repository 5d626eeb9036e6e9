// The archive engine on real files: opening a full catalogue, importing and exporting 256 MiB (on one
// thread, and with the worker pool), a 12-megapixel JPEG with its thumbnail, and defragmenting after
// emptying half an archive. Each throughput is set against a reference measured in the same run: one
// core's raw cipher on the same 4 MiB units (a pass of it just before each import or export), or a
// plain copy of the same bytes inside one file.
#include "ArchiveInternals.h"
#include "BenchSummary.h"
#include "CCodeArchive.h"
#include "CImageHolder.h"
#include "CThumbnailMaker.h"
#include "WorkerPool.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageWriter>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace quorvane;
namespace fs = std::filesystem;

constexpr int kSourceFiles = 64;
constexpr size_t kSourceSize = kPieceSize; // 64 x 4 MiB = 256 MiB
constexpr int kOpenEntries = kMaxEntries;
const char* const kPassword = "bench-password-4711";

// Answers every question at once: the settings to create with, the password, Yes, the export folder.
class BenchHost : public ArchiveHost {
public:
    CreateSettings settings;
    std::string folder;
    Status lastMessage = 0;

    void ShowMessage(Status code, const std::string& /*text*/) override { lastMessage = code; }
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
        password = settings.password;
        return true;
    }
    bool Confirm(const Prompt& /*prompt*/) override { return true; }
    void Alert(const Prompt& /*prompt*/) override {}
    bool ChooseFolder(std::string& chosen) override {
        chosen = folder;
        return true;
    }
    void ProgressOpen(int /*kind*/, const std::string& /*name*/, int /*format*/, int /*quality*/) override {}
    void ProgressTotal(int /*total*/) override {}
    void ProgressText(const std::string& /*text*/, const ProgressCounts& /*counts*/) override {}
    void ProgressPiece(int /*piece*/, int /*pieces*/) override {}
    bool PollCancel() override { return false; }
    void ProgressClose() override {}
};

CreateSettings TwofishSettings(uint8_t thumbnailFormat) {
    CreateSettings s;
    s.encrypt = true;
    s.password = kPassword;
    s.method = kMethodTwofish;
    s.thumbnails = thumbnailFormat != 0;
    s.thumbnailFormat = thumbnailFormat != 0 ? thumbnailFormat : 8;
    s.highQuality = true;
    return s;
}

void FillPattern(uint8_t* data, size_t size, uint64_t seed) {
    uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
    for (size_t i = 0; i + 8 <= size; i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(data + i, &x, 8);
    }
}

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(fd, data + done, size - done, static_cast<off_t>(done));
        if (n <= 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
    return done == size;
}

// Everything the cases share, made on first use and removed at exit.
struct Workspace {
    fs::path root;
    std::vector<std::string> sources; // 64 files of 4 MiB
    std::vector<uint8_t> sourceBytes; // their content, for the cipher reference
    std::vector<uint8_t> jpeg;        // the 12-megapixel picture
    int jpegQuality = 0;
    std::string jpegPath;
    std::string openArchive;   // 5,120 entries
    std::string exportArchive; // the 64 files, for export

    Workspace() {
        const char* tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_engine.XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        root = pattern;
        sourceBytes.resize(kSourceSize * kSourceFiles);
        fs::create_directory(root / "src");
        for (int i = 0; i < kSourceFiles; ++i) {
            uint8_t* data = sourceBytes.data() + kSourceSize * static_cast<size_t>(i);
            FillPattern(data, kSourceSize, static_cast<uint64_t>(i) + 1);
            const std::string path = (root / "src" / ("file" + std::to_string(i) + ".bin")).string();
            if (!WriteWholeFile(path, data, kSourceSize)) {
                std::fprintf(stderr, "cannot write %s\n", path.c_str());
                std::exit(1);
            }
            sources.push_back(path);
        }
    }
    ~Workspace() {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string Path(const std::string& name) const { return (root / name).string(); }
};

Workspace& Shared() {
    static Workspace workspace;
    return workspace;
}

std::unique_ptr<CCodeArchive> CreateArchive(BenchHost& host, const std::string& path, uint8_t thumbnails) {
    std::error_code ignored;
    fs::remove(path, ignored);
    host.settings = TwofishSettings(thumbnails);
    auto archive = std::make_unique<CCodeArchive>(host, PosixFileSystem());
    if (archive->Create(path) != kOk) {
        return nullptr;
    }
    return archive;
}

// ---------------------------------------------------------------- open

const std::string& OpenArchivePath() {
    Workspace& w = Shared();
    if (!w.openArchive.empty()) {
        return w.openArchive;
    }
    BenchHost host;
    const std::string path = w.Path("open.kvq");
    auto archive = CreateArchive(host, path, 8);
    // A tree of folders (fan-out 8) in one batch, then empty files spread over it in another.
    constexpr int kFolders = 4000;
    ArchiveInternals(*archive).BeginBatch(true);
    for (int i = 0; i < kFolders; ++i) {
        ArchiveInternals(*archive).PlanFolder();
    }
    ArchiveInternals(*archive).Expand();
    ArchiveInternals(*archive).StartAdding();
    for (int i = 0; i < kFolders; ++i) {
        const int parent = i == 0 ? 0 : 2 + (i - 1) / 8;
        ArchiveInternals(*archive).AddFolder(parent, "Folder " + std::to_string(i), "", kTypeFolder);
    }
    ArchiveInternals(*archive).FinishBatch();
    const std::string empty = w.Path("empty.dat");
    WriteWholeFile(empty, nullptr, 0);
    const int files = kOpenEntries - archive->entryCount();
    ImportPaths(*archive, std::vector<std::string>(static_cast<size_t>(files), empty), 2 + kFolders / 2,
                false);
    if (archive->entryCount() != kOpenEntries || archive->Close(true) != kOk) {
        std::fprintf(stderr, "could not build the %d-entry archive\n", kOpenEntries);
        std::exit(1);
    }
    w.openArchive = path;
    return w.openArchive;
}

void OpenFullCatalogue(benchmark::State& s) {
    const std::string& path = OpenArchivePath();
    BenchHost host;
    for (auto _ : s) {
        CCodeArchive archive(host, PosixFileSystem());
        if (archive.Open(path) != kOk || archive.entryCount() != kOpenEntries) {
            s.SkipWithError("open failed");
            break;
        }
        archive.Close(false);
    }
}

// ---------------------------------------------------------------- import, export and the cipher

using ThreadsFor = WorkerPool::ThreadsFor;
using Clock = std::chrono::steady_clock;

// The reference is one core's raw cipher over the same 64 units. Each timed pass of ours is paired
// with a pass of the reference just before it, so that both fall in the same phase of a shared machine;
// the summary gives the median of the pairs' ratios, and the pairs themselves.
class CipherReference {
public:
    explicit CipherReference(bool encrypt)
        : encrypt_(encrypt)
        , out_(kSourceSize) {
        std::memcpy(state_.password, kPassword, std::strlen(kPassword) + 1);
        cipher_.SetKey(state_, kMethodTwofish);
    }

    // One pass over every unit: its wall time in seconds, or a negative value when a unit was refused.
    double Pass() {
        const std::vector<uint8_t>& bytes = Shared().sourceBytes;
        const Clock::time_point start = Clock::now();
        for (int i = 0; i < kSourceFiles; ++i) {
            const uint8_t* unit = bytes.data() + kSourceSize * static_cast<size_t>(i);
            const uint16_t status = encrypt_ ? cipher_.Encrypt(state_, unit, out_.data(), kSourceSize)
                                             : cipher_.Decrypt(state_, unit, out_.data(), kSourceSize);
            if (status != 0) {
                return -1;
            }
            benchmark::DoNotOptimize(out_.data());
        }
        benchmark::ClobberMemory();
        return std::chrono::duration<double>(Clock::now() - start).count();
    }

private:
    bool encrypt_;
    CipherState state_;
    CCipher cipher_;
    std::vector<uint8_t> out_;
};

// Per ratio: the reference's and our seconds, pass by pass.
struct Pair {
    double reference;
    double ours;
};
std::map<std::string, std::vector<Pair>> g_pairs;

// Runs `pass` (timed) once per iteration, each time after `prepare` and one pass of the reference, and
// before `tidy` (all three untimed). A failure sets the case's error and ends it.
void TimePaired(benchmark::State& s, const std::string& ratio, bool encrypt,
                const std::function<bool()>& prepare, const std::function<bool()>& pass,
                const std::function<void()>& tidy) {
    CipherReference reference(encrypt);
    std::vector<Pair>& pairs = g_pairs[ratio];
    pairs.clear();
    for (auto _ : s) {
        s.PauseTiming();
        // Prepared first: removing the last pass's output also drops what the kernel had still to
        // write of it, which would otherwise slow the reference down.
        if (!prepare()) {
            s.SkipWithError("could not prepare the pass");
            return;
        }
        const double referenceSeconds = reference.Pass();
        if (referenceSeconds <= 0) {
            s.SkipWithError("cipher refused the unit");
            return;
        }
        s.ResumeTiming();
        const Clock::time_point start = Clock::now();
        if (!pass()) {
            s.SkipWithError("the pass failed");
            return;
        }
        pairs.push_back({referenceSeconds, std::chrono::duration<double>(Clock::now() - start).count()});
        s.PauseTiming();
        tidy();
        s.ResumeTiming();
    }
    s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * kSourceFiles *
                        static_cast<int64_t>(kSourceSize));
    s.counters["threads"] = WorkerPool::Threads();
}

void ImportFiles(benchmark::State& s, int threads, const std::string& ratio) {
    Workspace& w = Shared();
    const ThreadsFor use(threads);
    BenchHost host;
    const std::string path = w.Path("import.kvq");
    std::unique_ptr<CCodeArchive> archive;
    TimePaired(
        s, ratio, true,
        [&] {
            archive = CreateArchive(host, path, 0);
            return archive != nullptr;
        },
        [&] { return ImportPaths(*archive, w.sources, 0, false) == kOk && archive->Close(true) == kOk; },
        [&] {
            archive.reset();
            fs::remove(path);
        });
}

void ImportOneThread(benchmark::State& s) {
    ImportFiles(s, 1, "import-vs-cipher");
}
void ImportParallel(benchmark::State& s) {
    ImportFiles(s, 0, "import-parallel-vs-cipher");
}

void ExportFiles(benchmark::State& s, int threads, const std::string& ratio) {
    Workspace& w = Shared();
    const ThreadsFor use(threads);
    BenchHost host;
    if (w.exportArchive.empty()) {
        const std::string path = w.Path("export.kvq");
        auto archive = CreateArchive(host, path, 0);
        if (!archive || ImportPaths(*archive, w.sources, 0, false) != kOk || archive->Close(true) != kOk) {
            s.SkipWithError("could not build the archive");
            return;
        }
        w.exportArchive = path;
    }
    CCodeArchive archive(host, PosixFileSystem());
    if (archive.Open(w.exportArchive) != kOk) {
        s.SkipWithError("open failed");
        return;
    }
    const fs::path out = w.root / "out";
    std::vector<std::string> written;
    TimePaired(
        s, ratio, false,
        [&] {
            std::error_code ignored;
            fs::remove_all(out, ignored);
            host.folder = out.string();
            written.clear();
            return fs::create_directory(out, ignored);
        },
        [&] { return archive.ExportSelection({0}, &written) == kOk && written.size() == kSourceFiles; },
        [] {});
    archive.Close(false);
    std::error_code ignored;
    fs::remove_all(out, ignored);
}

void ExportOneThread(benchmark::State& s) {
    ExportFiles(s, 1, "extract-vs-cipher");
}
void ExportParallel(benchmark::State& s) {
    ExportFiles(s, 0, "extract-parallel-vs-cipher");
}

// The kernel's share: the same 256 MiB written into a new file with nothing else done, paired with the
// cipher like the passes above. On a virtual machine whose freed memory goes back to the host after a
// few seconds, taking new page-cache pages costs a fault into the host per page; an import or export
// pays it as well, and this case tells how much of the pairs' gap it is.
void FreshFileWrite(benchmark::State& s) {
    Workspace& w = Shared();
    const std::string path = w.Path("fresh.bin");
    TimePaired(
        s, "fresh-file-write-vs-cipher", true,
        [&] {
            std::error_code ignored;
            fs::remove(path, ignored);
            return true;
        },
        [&] {
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd < 0) {
                return false;
            }
            bool ok = true;
            for (int i = 0; i < kSourceFiles && ok; ++i) {
                const size_t at = kSourceSize * static_cast<size_t>(i);
                ok = ::pwrite(fd, w.sourceBytes.data() + at, kSourceSize, static_cast<off_t>(at)) ==
                     static_cast<ssize_t>(kSourceSize);
            }
            return ::close(fd) == 0 && ok;
        },
        [&] {
            std::error_code ignored;
            fs::remove(path, ignored);
        });
}

// ---------------------------------------------------------------- a 12-megapixel JPEG

const std::vector<uint8_t>& Jpeg() {
    Workspace& w = Shared();
    if (!w.jpeg.empty()) {
        return w.jpeg;
    }
    QImage image(4000, 3000, QImage::Format_RGB32);
    uint32_t x = 12345;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int i = 0; i < image.width(); ++i) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            const int noise = static_cast<int>(x & 15) - 8;
            const int r = std::clamp(i * 255 / 3999 + noise, 0, 255);
            const int g = std::clamp(y * 255 / 2999 + noise, 0, 255);
            const int b = std::clamp((i + y) * 255 / 6998 + noise, 0, 255);
            row[i] = qRgb(r, g, b);
        }
    }
    // A file over 4 MiB is never thumbnailed: the quality comes down until it fits.
    for (int quality = 90; quality >= 50; quality -= 5) {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(quality);
        if (!writer.write(image)) {
            break;
        }
        if (static_cast<size_t>(bytes.size()) <= kPieceSize) {
            w.jpeg.assign(bytes.begin(), bytes.end());
            w.jpegQuality = quality;
            break;
        }
    }
    if (w.jpeg.empty()) {
        std::fprintf(stderr, "no 12-megapixel JPEG of at most 4 MiB\n");
        std::exit(1);
    }
    w.jpegPath = w.Path("photo.jpg");
    WriteWholeFile(w.jpegPath, w.jpeg.data(), w.jpeg.size());
    return w.jpeg;
}

void ImportJpegWithThumbnail(benchmark::State& s) {
    Workspace& w = Shared();
    const std::vector<uint8_t>& jpeg = Jpeg();
    BenchHost host;
    const std::string path = w.Path("jpeg.kvq");
    for (auto _ : s) {
        s.PauseTiming();
        auto archive = CreateArchive(host, path, 8);
        s.ResumeTiming();
        if (!archive || ImportPaths(*archive, {w.jpegPath}, 0, false) != kOk ||
            archive->Entry(EntryIndex(1)) == nullptr || archive->Entry(EntryIndex(1))->hasThumbnail != 1) {
            s.SkipWithError("import without a thumbnail");
            break;
        }
        s.PauseTiming();
        archive->Close(true);
        archive.reset();
        fs::remove(path);
        s.ResumeTiming();
    }
    s.counters["jpeg_bytes"] = static_cast<double>(jpeg.size());
    s.counters["jpeg_quality"] = w.jpegQuality;
}

void DecodeJpegForThumbnail(benchmark::State& s) {
    const std::vector<uint8_t>& jpeg = Jpeg();
    CImageHolder holder;
    CThumbnailMaker& maker = SharedThumbnailMaker();
    const int sizeIndex = ThumbSizeIndex(8);
    for (auto _ : s) {
        if (holder.LoadForThumbnail("photo.jpg", jpeg.data(), static_cast<uint32_t>(jpeg.size()), kTypeJpeg,
                                    CThumbnailMaker::kCellSize[sizeIndex]) != 0) {
            s.SkipWithError("decode failed");
            break;
        }
        maker.Render(holder, sizeIndex, true);
        benchmark::DoNotOptimize(maker.GetThumbnailBits(sizeIndex, false));
        holder.Reset();
    }
}

// ---------------------------------------------------------------- defragmentation

// Bytes the pass moves: every kept block behind the first removed one.
uint64_t g_movedBytes = 0;

void DefragmentHalf(benchmark::State& s) {
    Workspace& w = Shared();
    BenchHost host;
    const std::string path = w.Path("defrag.kvq");
    for (auto _ : s) {
        s.PauseTiming();
        auto archive = CreateArchive(host, path, 0);
        if (!archive || ImportPaths(*archive, w.sources, 0, false) != kOk) {
            s.SkipWithError("could not build the archive");
            break;
        }
        std::vector<int> every2nd;
        for (int number = 2; number <= archive->entryCount(); number += 2) {
            every2nd.push_back(number);
        }
        archive->MoveEntries(every2nd, 1, false);
        uint64_t moved = 0;
        uint64_t next = kDataAreaOffset;
        for (int i = 0; i < archive->entryCount(); ++i) {
            const CatalogueEntry& e = *archive->Entry(EntryIndex(i));
            if (e.inRecycleBin || e.blockLength == 0) {
                continue;
            }
            if (e.blockOffset != next) {
                moved += e.blockLength;
            }
            next += e.blockLength;
        }
        g_movedBytes = moved;
        s.ResumeTiming();
        archive->EmptyRecycleBin({1});
        s.PauseTiming();
        const bool compact = !archive->defragmentPending() && archive->entryCount() == 1 + kSourceFiles / 2 &&
                             fs::file_size(path) == archive->archiveSize();
        archive->Close(true);
        archive.reset();
        fs::remove(path);
        s.ResumeTiming();
        if (!compact) {
            s.SkipWithError("the archive was not compacted");
            break;
        }
    }
    s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * static_cast<int64_t>(g_movedBytes));
}

// The same block moves as plain reads and writes inside one file, then one sync.
void CopyMovedBytes(benchmark::State& s) {
    Workspace& w = Shared();
    const std::string path = w.Path("copy.bin");
    const size_t block = kFullChunkSize;
    {
        std::vector<uint8_t> filler(block);
        FillPattern(filler.data(), filler.size(), 99);
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        for (int i = 0; i < kSourceFiles; ++i) {
            if (::pwrite(fd, filler.data(), block,
                         static_cast<off_t>(kDataAreaOffset + block * static_cast<size_t>(i))) !=
                static_cast<ssize_t>(block)) {
                s.SkipWithError("cannot write the copy file");
            }
        }
        ::fsync(fd);
        ::close(fd);
    }
    std::vector<uint8_t> buffer(kPieceSize);
    const int fd = ::open(path.c_str(), O_RDWR);
    uint64_t bytes = 0;
    for (auto _ : s) {
        bytes = 0;
        for (int k = 0; k < kSourceFiles / 2; ++k) {
            const uint64_t from = kDataAreaOffset + block * static_cast<uint64_t>(2 * k + 1);
            const uint64_t to = kDataAreaOffset + block * static_cast<uint64_t>(k);
            for (uint64_t done = 0; done < block; done += kPieceSize) {
                const size_t n = static_cast<size_t>(std::min<uint64_t>(kPieceSize, block - done));
                if (::pread(fd, buffer.data(), n, static_cast<off_t>(from + done)) !=
                        static_cast<ssize_t>(n) ||
                    ::pwrite(fd, buffer.data(), n, static_cast<off_t>(to + done)) !=
                        static_cast<ssize_t>(n)) {
                    s.SkipWithError("copy failed");
                    break;
                }
            }
            bytes += block;
        }
        ::fsync(fd);
    }
    ::close(fd);
    std::error_code ignored;
    fs::remove(path, ignored);
    s.SetBytesProcessed(static_cast<int64_t>(s.iterations()) * static_cast<int64_t>(bytes));
}

BENCHMARK(OpenFullCatalogue)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(ImportOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(ImportParallel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(ExportOneThread)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(ExportParallel)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(FreshFileWrite)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(ImportJpegWithThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(DecodeJpegForThumbnail)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(DefragmentHalf)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(CopyMovedBytes)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The median of the pairs' ratios, then each pair's ratio and both sides' median throughput.
void PrintPaired(const std::string& name) {
    auto it = g_pairs.find(name);
    if (it == g_pairs.end() || it->second.empty()) {
        std::printf("NOTE benchmark for %s did not run\n", name.c_str());
        return;
    }
    std::vector<double> ratios;
    std::vector<double> reference;
    std::vector<double> ours;
    std::string each;
    for (const Pair& pair : it->second) {
        ratios.push_back(pair.reference / pair.ours);
        reference.push_back(pair.reference);
        ours.push_back(pair.ours);
        char text[16];
        std::snprintf(text, sizeof text, " %.3f", ratios.back());
        each += text;
    }
    const double megabytes = static_cast<double>(kSourceFiles) * static_cast<double>(kSourceSize) / 1e6;
    bench::PrintRatio(name, Median(ratios));
    std::printf("NOTE %s pairs:%s\n", name.c_str(), each.c_str());
    bench::PrintFigure(name + "-ours", megabytes / Median(ours), "MB/s");
    bench::PrintFigure(name + "-reference", megabytes / Median(reference), "MB/s");
}

void Summarise(const bench::Results& results) {
    // The console reporter leaves a colour reset at the start of the next line: give it a line of its own.
    std::printf("\n");
    if (const bench::Result* open = bench::Find(results, "OpenFullCatalogue/real_time")) {
        bench::PrintFigure("open-5120-entries", open->secondsPerIteration * 1e3, "ms");
    }
    const auto ratio = [&](const char* name, const char* ours, const char* reference) {
        const bench::Result* a = bench::Find(results, ours);
        const bench::Result* b = bench::Find(results, reference);
        if (a && b && b->bytesPerSecond > 0) {
            bench::PrintRatio(name, a->bytesPerSecond / b->bytesPerSecond);
            bench::PrintFigure(std::string(ours), bench::MegabytesPerSecond(*a), "MB/s");
            bench::PrintFigure(std::string(reference), bench::MegabytesPerSecond(*b), "MB/s");
        }
    };
    bench::PrintFigure("cores", std::thread::hardware_concurrency(), "");
    if (const bench::Result* pool = bench::Find(results, "ImportParallel/iterations:5/real_time")) {
        bench::PrintFigure("pool-threads", pool->counters.at("threads"), "");
    }
    // One core's cipher is the reference for all four: the pool's figures say how much the other cores add.
    for (const char* name : {"import-vs-cipher", "import-parallel-vs-cipher", "extract-vs-cipher",
                             "extract-parallel-vs-cipher", "fresh-file-write-vs-cipher"}) {
        PrintPaired(name);
    }
    const bench::Result* jpeg = bench::Find(results, "ImportJpegWithThumbnail/iterations:10/real_time");
    const bench::Result* decode = bench::Find(results, "DecodeJpegForThumbnail/iterations:10/real_time");
    if (jpeg) {
        bench::PrintFigure("import-12mp-jpeg-thumb96", jpeg->secondsPerIteration * 1e3, "ms");
        bench::PrintFigure("import-12mp-jpeg-bytes", jpeg->counters.at("jpeg_bytes"), "bytes");
        bench::PrintFigure("import-12mp-jpeg-quality", jpeg->counters.at("jpeg_quality"), "");
    }
    if (jpeg && decode && jpeg->secondsPerIteration > 0) {
        bench::PrintFigure("import-12mp-jpeg-decode-share",
                           100.0 * decode->secondsPerIteration / jpeg->secondsPerIteration, "percent");
    }
    ratio("defrag-vs-copy", "DefragmentHalf/iterations:3/real_time", "CopyMovedBytes/iterations:3/real_time");
}

} // namespace

QUORVANE_BENCH_MAIN(Summarise)
