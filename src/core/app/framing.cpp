#include "core/app/framing.h"

#include <algorithm>
#include <cmath>

namespace {

struct Names
{
    Framing framing;
    const char *name;
};
constexpr Names kNames[] = {
    {Framing::Fill, "fill"}, {Framing::Fit, "fit"}, {Framing::Stretch, "stretch"}, {Framing::Blur, "blur"}};

// Picture pixels per screen pixel's worth of the picture in Fill at zoom 1.
double coverScale(const QSize &picture, const QSize &screen)
{
    return std::max(double(screen.width()) / picture.width(), double(screen.height()) / picture.height());
}

// The part of the picture Fill shows, before rounding to whole pixels.
QSizeF fillSource(const QSize &picture, const QSize &screen, double zoom)
{
    const double scale = coverScale(picture, screen) * zoom;
    return QSizeF(std::min(screen.width() / scale, double(picture.width())),
                  std::min(screen.height() / scale, double(picture.height())));
}

double clampCentre(double centre, double shown, int side)
{
    const double half = shown / 2 / side;
    return std::clamp(centre, half, std::max(half, 1 - half));
}

int roundedSide(double side, int limit)
{
    return std::clamp(int(std::lround(side)), 1, limit);
}

} // namespace

QString framingName(Framing framing)
{
    for (const Names &n : kNames)
        if (n.framing == framing)
            return QLatin1String(n.name);
    return QString();
}

std::optional<Framing> framingFromName(const QString &name)
{
    for (const Names &n : kNames)
        if (name == QLatin1String(n.name))
            return n.framing;
    return std::nullopt;
}

FrameView startingView(Framing framing, QPointF suggested)
{
    FrameView view{framing};
    if (framing == Framing::Fill)
        view.centre = suggested;
    return view;
}

FrameView clampedView(const QSize &picture, const QSize &screen, FrameView view)
{
    view.zoom = std::isfinite(view.zoom) ? std::clamp(view.zoom, 1.0, FrameView::kMaxZoom) : 1.0;
    if (picture.isEmpty() || screen.isEmpty()) {
        view.centre = QPointF(0.5, 0.5);
        return view;
    }
    const QSizeF shown = fillSource(picture, screen, view.zoom);
    const double x = std::isfinite(view.centre.x()) ? view.centre.x() : 0.5;
    const double y = std::isfinite(view.centre.y()) ? view.centre.y() : 0.5;
    view.centre = QPointF(clampCentre(x, shown.width(), picture.width()),
                          clampCentre(y, shown.height(), picture.height()));
    return view;
}

FrameRects frameRects(const QSize &picture, const QSize &screen, const FrameView &asked)
{
    if (picture.isEmpty() || screen.isEmpty())
        return {};
    const QRect whole(QPoint(0, 0), picture);
    const QRect full(QPoint(0, 0), screen);
    switch (asked.framing) {
    case Framing::Stretch:
        return {whole, full};
    case Framing::Fit:
    case Framing::Blur: {
        const double scale =
            std::min(double(screen.width()) / picture.width(), double(screen.height()) / picture.height());
        const QSize size(roundedSide(picture.width() * scale, screen.width()),
                         roundedSide(picture.height() * scale, screen.height()));
        const QSize room = screen - size;
        return {whole, QRect(QPoint(room.width() / 2, room.height() / 2), size)};
    }
    case Framing::Fill:
        break;
    }
    const FrameView view = clampedView(picture, screen, asked);
    const QSizeF shown = fillSource(picture, screen, view.zoom);
    const QSize size(roundedSide(shown.width(), picture.width()),
                     roundedSide(shown.height(), picture.height()));
    const int x = int(std::lround(view.centre.x() * picture.width() - size.width() / 2.0));
    const int y = int(std::lround(view.centre.y() * picture.height() - size.height() / 2.0));
    const QPoint topLeft(std::clamp(x, 0, picture.width() - size.width()),
                         std::clamp(y, 0, picture.height() - size.height()));
    return {QRect(topLeft, size), full};
}

FrameView pannedView(const QSize &picture, const QSize &screen, const FrameView &view, QPointF delta)
{
    if (view.framing != Framing::Fill || picture.isEmpty() || screen.isEmpty())
        return view;
    const double scale = coverScale(picture, screen) * view.zoom;
    FrameView moved = clampedView(picture, screen, view);
    moved.centre -= QPointF(delta.x() / scale / picture.width(), delta.y() / scale / picture.height());
    return clampedView(picture, screen, moved);
}

FrameView zoomedView(const QSize &picture, const QSize &screen, const FrameView &view, double factor,
                     QPointF anchor)
{
    if (view.framing != Framing::Fill || picture.isEmpty() || screen.isEmpty() || !(factor > 0))
        return view;
    const FrameView before = clampedView(picture, screen, view);
    FrameView after = before;
    after.zoom = std::clamp(before.zoom * factor, 1.0, FrameView::kMaxZoom);
    const double cover = coverScale(picture, screen);
    const double scale = cover * before.zoom, newScale = cover * after.zoom;
    const QPointF size(picture.width(), picture.height());
    const QPointF screenHalf(screen.width() / 2.0, screen.height() / 2.0);
    // The picture's point under the anchor, in picture pixels.
    const QPointF centrePx(before.centre.x() * size.x(), before.centre.y() * size.y());
    const QPointF point = centrePx + (anchor - screenHalf) / scale;
    const QPointF newCentre = point - (anchor - screenHalf) / newScale;
    after.centre = QPointF(newCentre.x() / size.x(), newCentre.y() / size.y());
    return clampedView(picture, screen, after);
}

Backdrop backdropOf(const QSize &picture, const QSize &screen)
{
    if (picture.isEmpty() || screen.isEmpty())
        return {};
    Backdrop backdrop;
    backdrop.source = frameRects(picture, screen, FrameView{}).source;
    const int width = std::min(screen.width(), kBackdropWidth);
    backdrop.reduced =
        QSize(width, roundedSide(double(screen.height()) * width / screen.width(), screen.height()));
    backdrop.sigma = width / 20.0;
    return backdrop;
}
