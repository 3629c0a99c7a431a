// The phone profile the companion application leaves in the machine-wide
// store. Fixed-size fields, as the companion writes them; a value that is
// missing leaves its field as it was.
#pragma once

#include <QByteArray>
#include <QString>

class Presenter;
class ProfileStore;

struct PhoneProfile
{
    char Version[200];
    qint32 Serial;
    qint32 wallpaperSupport;
    char Number[100];
    qint32 Type;
    qint32 Carrier;
    qint32 Phone;
    qint32 wallpaperType;
    qint32 wallpaperWidth;
    qint32 wallpaperHeight;

    // Reads the ten values in the store's order into the fields. Text longer
    // than its field is cut to fit (never split inside a UTF-8 sequence); a
    // number given as text is taken only when it is a decimal 32-bit integer.
    void readFrom(const ProfileStore &store);
};

enum class ProfileCheck { Usable, Missing, NoWallpapers };

// Reads the profile from `store` (may be null) into `profile`. When there is
// none to read, or the phone takes no wallpapers, the user is told why
// through `presenter`, and the caller ends.
ProfileCheck loadPhoneProfile(const ProfileStore *store, PhoneProfile &profile, Presenter &presenter);

// Whether a picture can be made for the profile's wallpaper; when not, the
// user is told so through `presenter`.
bool wallpaperUsableOrSaySo(const PhoneProfile &profile, Presenter &presenter);

// "bmp", "jpg" or "gif" for wallpaper types 0, 1 and 2; empty for any other.
QString outputExtension(qint32 wallpaperType);
