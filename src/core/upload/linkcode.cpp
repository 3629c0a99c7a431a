#include "core/upload/linkcode.h"

#include <qrencode.h>

#include <algorithm>
#include <cmath>
#include <memory>

bool LinkCode::isDark(int x, int y) const
{
    if (x < 0 || y < 0 || x >= size || y >= size)
        return false;
    return modules.at(y * size + x) != 0;
}

namespace {

bool isWebAddress(const QByteArray &link)
{
    // The scheme's letter case does not matter.
    const QByteArray start = link.left(8).toLower();
    return start.startsWith("http://") || start.startsWith("https://");
}

} // namespace

LinkCode linkCodeFor(const QByteArray &link)
{
    // The reply's text ends at its first NUL, so a link never holds one.
    if (link.isEmpty() || link.contains('\0') || !isWebAddress(link))
        return {};
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> encoded(
        QRcode_encodeString(link.constData(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), &QRcode_free);
    if (!encoded || encoded->width <= 0)
        return {};
    LinkCode code;
    code.size = encoded->width;
    code.modules.resize(qsizetype(code.size) * code.size);
    for (qsizetype i = 0; i < code.modules.size(); ++i)
        code.modules[i] = char(encoded->data[i] & 1); // the other bits say what a module is for
    return code;
}

QString noLinkCodeReason(const QByteArray &link)
{
    if (link.isEmpty())
        return {};
    if (!isWebAddress(link))
        return QStringLiteral("No QR code is shown: this link is not a web address (http or https).");
    if (linkCodeFor(link).isNull())
        return QStringLiteral("No QR code is shown: this link is too long for one.");
    return {};
}

QImage linkCodeImage(const LinkCode &code, int modulePixels)
{
    if (code.isNull() || modulePixels <= 0)
        return {};
    const int side = (code.size + 2 * kLinkCodeQuietZone) * modulePixels;
    QImage image(side, side, QImage::Format_Grayscale8);
    image.fill(255);
    for (int y = 0; y < code.size; ++y) {
        for (int x = 0; x < code.size; ++x) {
            if (!code.isDark(x, y))
                continue;
            const int left = (x + kLinkCodeQuietZone) * modulePixels;
            const int top = (y + kLinkCodeQuietZone) * modulePixels;
            for (int row = top; row < top + modulePixels; ++row)
                std::fill_n(image.scanLine(row) + left, modulePixels, uchar(0));
        }
    }
    return image;
}

int linkCodeModulePixels(qreal devicePixelRatio)
{
    return std::max(3, int(std::ceil(3 * devicePixelRatio - 0.01)));
}

QString linkCodeHalfBlocks(const LinkCode &code)
{
    if (code.isNull())
        return {};
    const int first = -kLinkCodeQuietZone;
    const int end = code.size + kLinkCodeQuietZone;
    QString text;
    for (int y = first; y < end; y += 2) {
        text += QStringLiteral("\x1b[30;107m");
        for (int x = first; x < end; ++x) {
            const bool top = code.isDark(x, y);
            const bool bottom = y + 1 < end && code.isDark(x, y + 1);
            text += top ? (bottom ? u'\u2588' : u'\u2580') : (bottom ? u'\u2584' : u' ');
        }
        text += QStringLiteral("\x1b[0m\n");
    }
    return text;
}
