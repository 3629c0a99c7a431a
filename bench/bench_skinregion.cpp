// The region of a 1024 x 1024 mask, from any picture, against Qt's own
// QRegion(QBitmap) on the same shape.
#include "core/skin/skinregion.h"

#include "../tests/support/testfiles.h"

#include <QBitmap>
#include <QGuiApplication>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

// A large round button with a hole and a few cut-outs: long runs, bands that
// break often, as a real mask has.
QImage buttonMask()
{
    return paintMask(1024, 1024, [](QPainter &p) {
        p.drawEllipse(8, 8, 1008, 1008);
        p.setBrush(Qt::white);
        p.drawEllipse(400, 400, 224, 224);
        for (int i = 0; i < 16; ++i)
            p.drawRect(100 + i * 50, 150 + (i % 4) * 180, 20 + i, 30);
    });
}

// Every pixel its own colour: the worst case, a run or two per pixel pair.
QImage noiseMask()
{
    QImage mask(1024, 1024, QImage::Format_RGB32);
    quint32 seed = 1;
    for (int y = 0; y < mask.height(); ++y) {
        auto *row = reinterpret_cast<QRgb *>(mask.scanLine(y));
        for (int x = 0; x < mask.width(); ++x) {
            seed = seed * 214013u + 2531011u;
            row[x] = (seed >> 16) & 8 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    return mask;
}

void BM_BuildRegionFromMask(benchmark::State &state, QImage (*make)())
{
    const QImage mask = make();
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildRegionFromMask(mask, qRgb(255, 255, 255)));
}

// The same shape as a 1-bit image, the form Qt's own version reads.
void BM_BuildRegionFromMonoMask(benchmark::State &state, QImage (*make)())
{
    const QImage mask = make().convertToFormat(QImage::Format_MonoLSB);
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildRegionFromMask(mask, qRgb(255, 255, 255)));
}

void BM_QtRegionFromBitmap(benchmark::State &state, QImage (*make)())
{
    // Qt's bitmaps set their bits where the image is black: the same pixels.
    const QBitmap bitmap = QBitmap::fromImage(make().convertToFormat(QImage::Format_Mono));
    for (auto _ : state)
        benchmark::DoNotOptimize(QRegion(bitmap));
}

} // namespace

BENCHMARK_CAPTURE(BM_BuildRegionFromMask, button, buttonMask)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_BuildRegionFromMonoMask, button, buttonMask)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_QtRegionFromBitmap, button, buttonMask)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_BuildRegionFromMask, noise, noiseMask)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_QtRegionFromBitmap, noise, noiseMask)->Unit(benchmark::kMicrosecond);

int main(int argc, char **argv)
{
    // QBitmap needs the GUI half of Qt; no window is opened.
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
