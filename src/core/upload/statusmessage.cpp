#include "core/upload/statusmessage.h"

#include <algorithm>
#include <cmath>

QString statusLinkText(const QByteArray &link)
{
    return QString::fromLocal8Bit(link);
}

QString escapedForDisplay(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (c == 0x1B)
            shown += QLatin1String("\\e");
        else if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
            shown += QStringLiteral("\\x%1").arg(uint(c), 2, 16, QLatin1Char('0'));
        else if (QChar::category(c) == QChar::Other_Format)
            shown += c > 0xFFFF ? QStringLiteral("\\U%1").arg(uint(c), 8, 16, QLatin1Char('0'))
                                : QStringLiteral("\\u%1").arg(uint(c), 4, 16, QLatin1Char('0'));
        else
            shown += QStringView(QChar::fromUcs4(c));
    }
    return shown;
}

QString statusMessageText(int mode, const QByteArray &link, bool escaped)
{
    const QString shown = escaped ? escapedForDisplay(statusLinkText(link)) : statusLinkText(link);
    switch (mode) {
    case 0:
        if (link.isEmpty())
            return QStringLiteral("The Ringtone was successfully uploaded to your phone.");
        return QStringLiteral(
                   "The Ringtone was successfully uploaded to your phone. If you don't recieve the text "
                   "msg or you are unable to extract the URL from the text message, please type the "
                   "following URL into your phone ")
               + shown;
    case 1:
        return QStringLiteral(
                   "To download your wallpaper, please type in the following URL into your phone: \n")
               + shown;
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
