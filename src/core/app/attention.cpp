// glib names a member "signals", which Qt defines as a keyword: libvips
// comes first.
#include <vips/vips.h>

#include "core/app/attention.h"

#include <QImageReader>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

bool vipsStarted()
{
    static const bool started = [] {
        if (VIPS_INIT("pictovane") != 0)
            return false;
        // A few hundred pixels: one thread, and nothing kept between picks.
        vips_concurrency_set(1);
        vips_cache_set_max(0);
        return true;
    }();
    return started;
}

// The peak of attention in pixels of `rgb`, for a crop of `crop` pixels.
std::optional<QPointF> peakOf(const QImage &rgb, const QSize &crop)
{
    const int w = rgb.width(), h = rgb.height();
    // Rows without Qt's padding, as libvips takes them.
    std::vector<unsigned char> pixels(size_t(w) * h * 3);
    for (int y = 0; y < h; ++y)
        std::memcpy(pixels.data() + size_t(y) * w * 3, rgb.constScanLine(y), size_t(w) * 3);
    VipsImage *in = vips_image_new_from_memory(pixels.data(), pixels.size(), w, h, 3, VIPS_FORMAT_UCHAR);
    if (!in)
        return std::nullopt;
    in->Type = VIPS_INTERPRETATION_sRGB;
    VipsImage *out = nullptr;
    int x = 0, y = 0;
    const int failed =
        vips_smartcrop(in, &out, crop.width(), crop.height(), "interesting", VIPS_INTERESTING_ATTENTION,
                       "attention_x", &x, "attention_y", &y, nullptr);
    if (out)
        g_object_unref(out);
    g_object_unref(in);
    if (failed) {
        vips_error_clear();
        return std::nullopt;
    }
    return QPointF(x, y);
}

} // namespace

std::optional<QPointF> attentionPoint(const QImage &picture, const QSize &screen)
{
    if (picture.isNull() || screen.isEmpty() || !vipsStarted())
        return std::nullopt;
    QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    if (std::max(rgb.width(), rgb.height()) > kAttentionSide)
        rgb = rgb.scaled(kAttentionSide, kAttentionSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    const int w = rgb.width(), h = rgb.height();
    // Fill's part of the picture at zoom 1, the size of what is looked for.
    const double scale = std::max(double(screen.width()) / w, double(screen.height()) / h);
    const QSize crop(std::clamp(int(std::lround(screen.width() / scale)), 1, w),
                     std::clamp(int(std::lround(screen.height() / scale)), 1, h));
    const std::optional<QPointF> peak = peakOf(rgb, crop);
    const std::optional<QPointF> turned = peakOf(rgb.mirrored(true, true), crop);
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
