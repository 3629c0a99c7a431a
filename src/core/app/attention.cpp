// glib names a member "signals", which Qt defines as a keyword: libvips
// comes first.
#include <vips/vips.h>

#include "core/app/attention.h"

#include <QImageReader>
#include <QLibrary>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

namespace {

// libvips and the fifty libraries it brings would take longer to load than
// the whole window takes to show, so it is loaded at the first suggestion.
struct Vips
{
    decltype(&vips_init) init = nullptr;
    decltype(&vips_concurrency_set) concurrencySet = nullptr;
    decltype(&vips_cache_set_max) cacheSetMax = nullptr;
    decltype(&vips_image_new_from_memory) imageFromMemory = nullptr;
    decltype(&vips_smartcrop) smartcrop = nullptr;
    decltype(&vips_error_clear) errorClear = nullptr;
    decltype(&g_object_unref) unref = nullptr;
};

const Vips *vips()
{
    static const std::optional<Vips> loaded = []() -> std::optional<Vips> {
        QLibrary library(QStringLiteral("vips"), VIPS_LIBRARY_CURRENT - VIPS_LIBRARY_AGE);
        const auto find = [&](auto &function, const char *name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            return function != nullptr;
        };
        Vips v;
        if (!library.load() || !find(v.init, "vips_init") || !find(v.concurrencySet, "vips_concurrency_set")
            || !find(v.cacheSetMax, "vips_cache_set_max")
            || !find(v.imageFromMemory, "vips_image_new_from_memory") || !find(v.smartcrop, "vips_smartcrop")
            || !find(v.errorClear, "vips_error_clear") || !find(v.unref, "g_object_unref")
            || v.init("pictovane") != 0)
            return std::nullopt;
        // A few hundred pixels: one thread, and nothing kept between picks.
        v.concurrencySet(1);
        v.cacheSetMax(0);
        return v;
    }();
    return loaded ? &*loaded : nullptr;
}

// The peak of attention in pixels of `rgb`, for a crop of `crop` pixels.
std::optional<QPointF> peakOf(const Vips &vips, const QImage &rgb, const QSize &crop)
{
    const int w = rgb.width(), h = rgb.height();
    // Rows without Qt's padding, as libvips takes them.
    std::vector<unsigned char> pixels(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        std::memcpy(pixels.data() + size_t(y) * w * 3, rgb.constScanLine(y), size_t(w) * 3);
    VipsImage *in = vips.imageFromMemory(pixels.data(), pixels.size(), w, h, 3, VIPS_FORMAT_UCHAR);
    if (!in)
        return std::nullopt;
    in->Type = VIPS_INTERPRETATION_sRGB;
    VipsImage *out = nullptr;
    int x = 0, y = 0;
    const int failed =
        vips.smartcrop(in, &out, crop.width(), crop.height(), "interesting", VIPS_INTERESTING_ATTENTION,
                       "attention_x", &x, "attention_y", &y, nullptr);
    if (out)
        vips.unref(out);
    vips.unref(in);
    if (failed) {
        vips.errorClear();
        return std::nullopt;
    }
    return QPointF(x, y);
}

} // namespace

std::optional<QPointF> attentionPoint(const QImage &picture, const QSize &screen)
{
    const Vips *loaded = vips();
    if (picture.isNull() || screen.isEmpty() || !loaded)
        return std::nullopt;
    QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    if (std::max(rgb.width(), rgb.height()) > kAttentionSide)
        rgb = rgb.scaled(kAttentionSide, kAttentionSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const int w = rgb.width(), h = rgb.height();
    // Fill's part of the picture at zoom 1, the size of what is looked for.
    const double scale = std::max(double(screen.width()) / w, double(screen.height()) / h);
    const QSize crop(std::clamp(int(std::lround(screen.width() / scale)), 1, w),
                     std::clamp(int(std::lround(screen.height() / scale)), 1, h));
    const std::optional<QPointF> peak = peakOf(*loaded, rgb, crop);
    const std::optional<QPointF> turned = peakOf(*loaded, rgb.mirrored(true, true), crop);
    if (!peak || !turned)
        return std::nullopt;
    const QPointF back(w - turned->x(), h - turned->y());
    // Apart by more than a few cells of libvips' 32 x 32 grid: no peak.
    if (std::abs(back.x() - peak->x()) > w / 8.0 || std::abs(back.y() - peak->y()) > h / 8.0)
        return std::nullopt;
    const QPointF middle = (*peak + back) / 2;
    return QPointF(middle.x() / w, middle.y() / h);
}

QPointF suggestedCentre(const QString &workPath, const QSize &screen)
{
    QImageReader reader(workPath);
    const QSize size = reader.size();
    if (size.isEmpty())
        return QPointF(0.5, 0.5);
    if (std::max(size.width(), size.height()) > kAttentionSide)
        reader.setScaledSize(size.scaled(kAttentionSide, kAttentionSide, Qt::KeepAspectRatio));
    return attentionPoint(reader.read(), screen).value_or(QPointF(0.5, 0.5));
}
