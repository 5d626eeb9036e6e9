// Thumbnail making for a 12-megapixel JPEG: decoded whole (the reference) against decoded at reduced
// scale by libjpeg, each followed by Render and GetThumbnailBits for 96-pixel colour thumbnails; and
// the reduced decode against the decoder's own floor, `djpeg -scale 1/8` of the same file (a whole
// process each time, so its start is counted against it). Then the same picture shown as the preview
// and the slideshow show it (decoded whole, drawn fitted into a 1200 x 900 area), on fresh memory each
// time and with the memory of the last picture kept for the next.
#include "BenchSummary.h"
#include "CImageHolder.h"
#include "CThumbnailMaker.h"
#include "PictureMemory.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace {

using quorvane::CImageHolder;
using quorvane::CThumbnailMaker;

// A photo-like 4000 x 3000 picture (gradients, waves and grain) at JPEG quality 90, made once.
const QByteArray& TwelveMegapixelJpeg() {
    static const QByteArray jpeg = [] {
        constexpr int kWidth = 4000;
        constexpr int kHeight = 3000;
        QImage image(kWidth, kHeight, QImage::Format_RGB32);
        std::mt19937 random(12);
        std::uniform_int_distribution<int> grain(-6, 6);
        for (int y = 0; y < kHeight; ++y) {
            auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            const double fy = static_cast<double>(y) / kHeight;
            for (int x = 0; x < kWidth; ++x) {
                const double fx = static_cast<double>(x) / kWidth;
                const double d = std::hypot(fx - 0.6, fy - 0.4);
                const int e = grain(random);
                const int r = static_cast<int>(60 + 150 * fx + 40 * std::sin(fy * 9)) + e;
                const int g = static_cast<int>(80 + 120 * fy + 60 * std::cos(d * 20)) + e;
                const int b = static_cast<int>(120 + 100 * (1 - d)) + e;
                row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
            }
        }
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "jpeg");
        writer.setQuality(90);
        writer.write(image);
        return bytes;
    }();
    return jpeg;
}

void Thumbnail(benchmark::State& state, bool fast, bool smooth) {
    const QByteArray& jpeg = TwelveMegapixelJpeg();
    const auto* data = reinterpret_cast<const uint8_t*>(jpeg.constData());
    const auto length = static_cast<uint32_t>(jpeg.size());
    CImageHolder holder;
    CThumbnailMaker maker;
    for (auto _ : state) {
        const int16_t status =
            fast ? holder.LoadForThumbnail("bench.jpg", data, length, quorvane::kImageJpeg, 96)
                 : holder.Load("bench.jpg", data, length, quorvane::kImageJpeg, 16, false);
        if (status != 0) {
            state.SkipWithError("decode failed");
            break;
        }
        maker.Render(holder, 4, smooth);
        benchmark::DoNotOptimize(maker.GetThumbnailBits(4, false));
    }
    state.SetLabel(std::to_string(jpeg.size()) + " bytes");
}

void BM_Thumb96Full(benchmark::State& state) {
    Thumbnail(state, false, false);
}
void BM_Thumb96Fast(benchmark::State& state) {
    Thumbnail(state, true, false);
}
void BM_Thumb96FullAntiAliased(benchmark::State& state) {
    Thumbnail(state, false, true);
}
void BM_Thumb96FastAntiAliased(benchmark::State& state) {
    Thumbnail(state, true, true);
}

// The djpeg on the PATH, or empty.
std::string Djpeg() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = std::min(dirs.find(':', start), dirs.size());
        std::string candidate = dirs.substr(start, end - start) + "/djpeg";
        if (end > start && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
        start = end + 1;
    }
    return {};
}

void BM_Djpeg8(benchmark::State& state) {
    std::string djpeg = Djpeg();
    if (djpeg.empty()) {
        state.SkipWithError("djpeg not installed");
        return;
    }
    const QByteArray& jpeg = TwelveMegapixelJpeg();
    const char* tmp = std::getenv("TMPDIR");
    std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/bench_djpeg.XXXXXX";
    const int fd = ::mkstemp(path.data());
    if (fd < 0 || ::write(fd, jpeg.constData(), static_cast<size_t>(jpeg.size())) != jpeg.size()) {
        state.SkipWithError("cannot write the JPEG");
        return;
    }
    ::close(fd);
    std::string scale = "-scale", eighth = "1/8", outfile = "-outfile", null = "/dev/null";
    char* argv[] = {djpeg.data(), scale.data(), eighth.data(), outfile.data(),
                    null.data(),  path.data(),  nullptr};
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (::posix_spawn(&pid, djpeg.c_str(), nullptr, nullptr, argv, environ) != 0 ||
            ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("djpeg failed");
            break;
        }
    }
    ::unlink(path.c_str());
}

// One picture after the other, as the slideshow steps: each Load lets the last picture go first.
void ShowPictures(benchmark::State& state) {
    const QByteArray& jpeg = TwelveMegapixelJpeg();
    const auto* data = reinterpret_cast<const uint8_t*>(jpeg.constData());
    const auto length = static_cast<uint32_t>(jpeg.size());
    CImageHolder holder;
    QImage screen(1200, 900, QImage::Format_RGB32);
    for (auto _ : state) {
        if (holder.Load("bench.jpg", data, length, quorvane::kImageJpeg, 32, false) != 0) {
            state.SkipWithError("decode failed");
            break;
        }
        QPainter painter(&screen);
        quorvane::DrawScaled(holder, painter, QRect(0, 0, 4000, 3000), QRect(0, 0, 1200, 900), true);
    }
}

void BM_ShowOnFreshMemory(benchmark::State& state) {
    ShowPictures(state);
}
// Runs after every other case: the setting holds for the rest of the process.
void BM_ShowOnReusedMemory(benchmark::State& state) {
    if (!quorvane::KeepPictureMemoryForReuse()) {
        state.SkipWithError("the C library has no such setting");
        return;
    }
    ShowPictures(state);
}

BENCHMARK(BM_Thumb96Full)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Thumb96Fast)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Thumb96FullAntiAliased)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Thumb96FastAntiAliased)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Djpeg8)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ShowOnFreshMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_ShowOnReusedMemory)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void Summarise(const bench::Results& results) {
    const bench::Result* full = bench::Find(results, "BM_Thumb96Full/real_time");
    const bench::Result* fast = bench::Find(results, "BM_Thumb96Fast/real_time");
    if (full != nullptr && fast != nullptr) {
        bench::PrintFigure("thumb96-12mp-jpeg-fast", fast->secondsPerIteration * 1e3, "ms");
        bench::PrintFigure("thumb96-12mp-jpeg-full", full->secondsPerIteration * 1e3, "ms");
        bench::PrintRatio("thumb-fast-speedup", full->secondsPerIteration / fast->secondsPerIteration);
    }
    const bench::Result* djpeg = Djpeg().empty() ? nullptr : bench::Find(results, "BM_Djpeg8/real_time");
    if (fast != nullptr && djpeg != nullptr && djpeg->secondsPerIteration > 0) {
        bench::PrintFigure("djpeg-scale-8-12mp-jpeg", djpeg->secondsPerIteration * 1e3, "ms");
        bench::PrintRatio("thumb-fast-vs-djpeg", fast->secondsPerIteration / djpeg->secondsPerIteration);
    } else {
        std::printf("NOTE thumb-fast-vs-djpeg skipped: no djpeg (libjpeg-turbo-progs) to compare with\n");
    }
    const bench::Result* fullAa = bench::Find(results, "BM_Thumb96FullAntiAliased/real_time");
    const bench::Result* fastAa = bench::Find(results, "BM_Thumb96FastAntiAliased/real_time");
    if (fullAa != nullptr && fastAa != nullptr) {
        bench::PrintFigure("thumb96-12mp-jpeg-fast-antialiased", fastAa->secondsPerIteration * 1e3, "ms");
        bench::PrintFigure("thumb96-12mp-jpeg-full-antialiased", fullAa->secondsPerIteration * 1e3, "ms");
        bench::PrintRatio("thumb-fast-speedup-antialiased",
                          fullAa->secondsPerIteration / fastAa->secondsPerIteration);
    }
    const bench::Result* fresh = bench::Find(results, "BM_ShowOnFreshMemory/iterations:10/real_time");
    const bench::Result* reused = bench::Find(results, "BM_ShowOnReusedMemory/iterations:10/real_time");
    if (fresh != nullptr && reused != nullptr && reused->secondsPerIteration > 0) {
        bench::PrintFigure("show-12mp-jpeg-fresh-memory", fresh->secondsPerIteration * 1e3, "ms");
        bench::PrintFigure("show-12mp-jpeg-reused-memory", reused->secondsPerIteration * 1e3, "ms");
        bench::PrintRatio("show-reused-vs-fresh-memory",
                          fresh->secondsPerIteration / reused->secondsPerIteration);
    }
}

} // namespace

QUORVANE_BENCH_MAIN(Summarise)
