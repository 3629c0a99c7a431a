#include "upload/statusmessage.h"

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
