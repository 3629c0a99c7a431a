#include "upload/uploadname.h"

#include "platform/crtrandom.h"

QByteArray makeUploadFileName(std::uint32_t nowSeconds, qint32 wallpaperType)
{
    crtrandom::srand(nowSeconds);
    QByteArray name = QByteArray::number(crtrandom::rand());
    switch (wallpaperType) {
    case 0:
        name += ".bmp";
        break;
    case 1:
        name += ".jpg";
        break;
    case 2:
        name += ".gif";
        break;
    default:
        break;
    }
    return name;
}
