// Framing a 24-megapixel photo for a modern phone (1080 x 2400) beside the
// demo phone (128 x 160): one preview frame during a pan, at the framing
// window's size, the conversion a let-go starts in the background until
// the copy holds the new framing, and what measuring Fill's suggested
// centre adds to a pick (the working copy read reduced, libvips' attention
// twice), against the pick's own two conversions.
#include "ui/preview/CImagePreviewStatic.h"

#include "benchmain.h"
#include "benchphoto.h"
#include "core/app/attention.h"
#include "core/app/converter.h"
#include "core/platform/hiddenprocess.h"

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

QTemporaryDir *g_dir = nullptr;

const QSize kPhones[] = {{128, 160}, {1080, 2400}};

QSize phoneOf(const benchmark::State &state)
{
    return kPhones[state.range(0)];
}

ConverterCall converterIn(const QString &converter)
{
    return ConverterCall{converter, g_dir->path()};
}

// The pick's upright working copy for `phone`, made once as Browse makes it.
QString workingCopyFor(const QSize &phone)
{
    const QString work =
        g_dir->filePath(QStringLiteral("work-%1x%2.ppm").arg(phone.width()).arg(phone.height()));
    if (!QFile::exists(work)) {
        const QString photo = g_dir->filePath(QStringLiteral("photo.jpg"));
        if (!QFile::exists(photo))
            writeBenchPhoto(photo, 4);
        const QString converter = converterPathFor(systemConverterLookup());
        if (makeWorkingCopy(photo, work, phone, converterIn(converter)) != Conversion::Converted)
            qFatal("cannot make the working copy");
    }
    return work;
}

void panFrame(benchmark::State &state)
{
    const QSize phone = phoneOf(state);
    CImagePreviewStatic preview;
    // The framing window's box on a 1080-pixel-high screen.
    preview.resize(300, 652);
    preview.InitGraphics();
    preview.setScreenSize(phone);
    preview.LoadImageFile(workingCopyFor(phone));
    preview.setView(FrameView{Framing::Fill, 1.5});
    QImage screen(preview.size(), QImage::Format_RGB32);
    preview.render(&screen);
    double step = phone.width() / 50.0;
    int n = 0;
    for (auto _ : state) {
        if (++n % 20 == 0)
            step = -step;
        preview.setView(pannedView(preview.pictureSize(), phone, preview.view(), QPointF(step, step / 2)));
        preview.render(&screen);
        benchmark::DoNotOptimize(screen.constBits());
    }
    if (!preview.isShowing())
        state.SkipWithError("the preview did not show the picture");
}
BENCHMARK(panFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void letGoToCopy(benchmark::State &state)
{
    const QSize phone = phoneOf(state);
    const QString work = workingCopyFor(phone);
    const QString output = g_dir->filePath(QStringLiteral("a.jpg"));
    const QString converter = converterPathFor(systemConverterLookup());
    FrameView view{Framing::Fill, 1.5};
    for (auto _ : state) {
        view.centre.rx() = view.centre.x() > 0.5 ? 0.45 : 0.55;
        if (framePhoneCopy(work, output, phone, view, converterIn(converter)) != Conversion::Converted) {
            state.SkipWithError("the converter failed");
            break;
        }
    }
}
BENCHMARK(letGoToCopy)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

void attentionAtPick(benchmark::State &state)
{
    const QSize phone = phoneOf(state);
    const QString work = workingCopyFor(phone);
    for (auto _ : state)
        benchmark::DoNotOptimize(suggestedCentre(work, phone));
}
BENCHMARK(attentionAtPick)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void pickConversions(benchmark::State &state)
{
    const QSize phone = phoneOf(state);
    const QString photo = g_dir->filePath(QStringLiteral("photo.jpg"));
    workingCopyFor(phone);
    const QString work = g_dir->filePath(QStringLiteral("pick.ppm"));
    const QString output = g_dir->filePath(QStringLiteral("a.jpg"));
    const QString converter = converterPathFor(systemConverterLookup());
    for (auto _ : state) {
        if (makeWorkingCopy(photo, work, phone, converterIn(converter)) != Conversion::Converted
            || framePhoneCopy(work, output, phone, FrameView{}, converterIn(converter))
                   != Conversion::Converted) {
            state.SkipWithError("the converter failed");
            break;
        }
    }
}
BENCHMARK(pickConversions)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return runPhotoBenchmarks(argc, argv, g_dir);
}
