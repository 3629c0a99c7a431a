// The picture formats a phone takes, by the profile's wallpaperType code:
// the one table that names the converter's output, the copy in the start
// folder and the word the server expects for it.
#pragma once

#include <QtGlobal>

#include <array>
#include <optional>

struct WallpaperType
{
    const char *extension;   // what the converter is asked to write
    const char *path;        // the converted copy: a bare name in the start folder
    const char *contentType; // the bare word the server expects
};

// In code order: 0 Windows bitmap, 1 JPEG, 2 GIF.
inline constexpr std::array<WallpaperType, 3> kWallpaperTypes{{
    {"bmp", "a.bmp", "bmp"},
    {"jpg", "a.jpg", "jpg"},
    {"gif", "a.gif", "gif"},
}};

// None for a code outside the table.
inline std::optional<WallpaperType> wallpaperTypeFor(qint32 code)
{
    if (code < 0 || code >= qint32(kWallpaperTypes.size()))
        return std::nullopt;
    return kWallpaperTypes[std::size_t(code)];
}
