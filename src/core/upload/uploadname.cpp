#include "upload/uploadname.h"

#include "app/wallpapertype.h"
#include "platform/crtrandom.h"

QByteArray makeUploadFileName(std::uint32_t nowSeconds, qint32 wallpaperType)
{
    crtrandom::srand(nowSeconds);
    QByteArray name = QByteArray::number(crtrandom::rand());
    if (const std::optional<WallpaperType> type = wallpaperTypeFor(wallpaperType))
        name += QByteArray(".") + type->extension;
    return name;
}
