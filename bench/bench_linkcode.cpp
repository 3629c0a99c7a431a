// What showing a link's QR code costs: the code from the link and its picture
// at 1x and 2x, for a short, a 300-byte and the longest link a code holds.
#include "core/upload/linkcode.h"

#include <benchmark/benchmark.h>

namespace {

QByteArray linkOfLength(int length)
{
    QByteArray link = "http://upload.pictovane.example/wallpapers/stored.php?name=";
    for (int i = 0; link.size() < length; ++i)
        link += char('a' + i % 26);
    link.truncate(length);
    return link;
}

void codeFromLink(benchmark::State &state)
{
    const QByteArray link = linkOfLength(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(linkCodeFor(link));
}

void pictureOfCode(benchmark::State &state)
{
    const LinkCode code = linkCodeFor(linkOfLength(int(state.range(0))));
    const int modulePixels = linkCodeModulePixels(qreal(state.range(1)));
    for (auto _ : state)
        benchmark::DoNotOptimize(linkCodeImage(code, modulePixels));
}

} // namespace

BENCHMARK(codeFromLink)->Arg(67)->Arg(300)->Arg(2300)->Unit(benchmark::kMicrosecond);
BENCHMARK(pictureOfCode)->Args({67, 1})->Args({300, 2})->Args({2300, 2})->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
