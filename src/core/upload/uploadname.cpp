#include "core/upload/uploadname.h"

#include "core/app/wallpapertype.h"
#include "core/platform/crtrandom.h"

QByteArray makeUploadFileName(std::uint32_t nowSeconds, qint32 wallpaperType)
{
    crtrandom::srand(nowSeconds);
    QByteArray name = QByteArray::number(crtrandom::rand());
    if (const std::optional<WallpaperType> type = wallpaperTypeFor(wallpaperType))
        name += QByteArray(".") + type->extension;
    return name;
}
