#include "core/upload/statusmessage.h"

#include <algorithm>
#include <cmath>

QString statusLinkText(const QByteArray &link)
{
    return QString::fromLocal8Bit(link);
}

QString statusMessageText(int mode, const QByteArray &link)
{
    switch (mode) {
    case 0:
        if (link.isEmpty())
            return QStringLiteral("The Ringtone was successfully uploaded to your phone.");
        return QStringLiteral(
                   "The Ringtone was successfully uploaded to your phone. If you don't recieve the text "
                   "msg or you are unable to extract the URL from the text message, please type the "
                   "following URL into your phone ")
               + statusLinkText(link);
    case 1:
        return QStringLiteral(
                   "To download your wallpaper, please type in the following URL into your phone: \n")
               + statusLinkText(link);
    case 2:
        return QStringLiteral(
            "An error occured while uploading the wallpaper to your phone, please try again");
    default:
        return {};
    }
}

namespace {

double relativeLuminance(const QColor &colour)
{
    const auto channel = [](double c) {
        return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    const QColor rgb = colour.toRgb();
    return 0.2126 * channel(rgb.redF()) + 0.7152 * channel(rgb.greenF()) + 0.0722 * channel(rgb.blueF());
}

constexpr double kReadableContrast = 4.5;

} // namespace

double contrastRatio(const QColor &a, const QColor &b)
{
    const double la = relativeLuminance(a);
    const double lb = relativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor linkColourOn(const QColor &background, const QColor &themeLink)
{
    for (const QColor &candidate : {QColor(0, 0, 192), themeLink, QColor(0x8A, 0xB4, 0xF8)}) {
        if (candidate.isValid() && contrastRatio(candidate, background) >= kReadableContrast)
            return candidate;
    }
    return QColor(Qt::white);
}
