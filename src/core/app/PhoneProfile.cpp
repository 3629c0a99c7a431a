#include "core/app/PhoneProfile.h"

#include "core/app/converter.h"
#include "core/app/presenter.h"
#include "core/app/wallpapertype.h"
#include "core/platform/profilestore.h"

#include <cstring>
#include <optional>

namespace {

// Longest prefix of at most `limit` bytes that does not end inside a UTF-8
// sequence; bytes that are not UTF-8 at all are cut at the limit.
qsizetype fittingLength(const QByteArray &text, qsizetype limit)
{
    if (text.size() <= limit)
        return text.size();
    auto byte = [&](qsizetype i) { return static_cast<unsigned char>(text[i]); };
    // text[limit] is the first byte left out; while it continues a sequence,
    // leave out that sequence's earlier bytes too.
    qsizetype n = limit;
    while (n > limit - 3 && n > 0 && (byte(n) & 0xC0) == 0x80)
        --n;
    return (byte(n) & 0xC0) == 0xC0 ? n : limit;
}

template <std::size_t N> void assignText(char (&field)[N], const std::optional<ProfileValue> &v)
{
    if (!v)
        return;
    const QByteArray text = v->kind == ProfileValue::Number ? QByteArray::number(v->number) : v->text;
    const qsizetype n = fittingLength(text, N - 1);
    std::memcpy(field, text.constData(), static_cast<std::size_t>(n));
    field[n] = '\0';
}

void assignNumber(qint32 &field, const std::optional<ProfileValue> &v)
{
    if (!v)
        return;
    if (v->kind == ProfileValue::Number) {
        field = v->number;
        return;
    }
    bool ok = false;
    const int parsed = v->text.trimmed().toInt(&ok, 10);
    if (ok)
        field = parsed;
}

} // namespace

void PhoneProfile::readFrom(const ProfileStore &store)
{
    assignText(Version, store.value("Version"));
    assignNumber(Serial, store.value("Serial"));
    assignNumber(wallpaperSupport, store.value("wallpaperSupport"));
    assignText(Number, store.value("Number"));
    assignNumber(Type, store.value("Type"));
    assignNumber(Carrier, store.value("Carrier"));
    assignNumber(Phone, store.value("Phone"));
    assignNumber(wallpaperType, store.value("wallpaperType"));
    assignNumber(wallpaperWidth, store.value("wallpaperWidth"));
    assignNumber(wallpaperHeight, store.value("wallpaperHeight"));
}

QString outputExtension(qint32 wallpaperType)
{
    const std::optional<WallpaperType> type = wallpaperTypeFor(wallpaperType);
    return type ? QString::fromLatin1(type->extension) : QString();
}

ProfileCheck loadPhoneProfile(const ProfileStore *store, PhoneProfile &profile, Presenter &presenter)
{
    if (store && store->unreadable()) {
        presenter.messageBox(QStringLiteral("The phone profile exists but cannot be read."));
        return ProfileCheck::Missing;
    }
    if (!store || !store->exists()) {
        presenter.messageBox(QStringLiteral(
            "Please Launch the wallpaper service from within the main Chimeforge Application"));
        return ProfileCheck::Missing;
    }
    profile.readFrom(*store);
    if (profile.wallpaperSupport == 0) {
        presenter.plainBox(QStringLiteral("We are sorry, your phone does not support wallpapers"),
                           QStringLiteral("Error"));
        return ProfileCheck::NoWallpapers;
    }
    return ProfileCheck::Usable;
}

bool wallpaperUsableOrSaySo(const PhoneProfile &profile, Presenter &presenter)
{
    if (wallpaperProfileUsable(profile.wallpaperType, profile.wallpaperWidth, profile.wallpaperHeight))
        return true;
    presenter.messageBox(QString::fromLatin1(kUnusableProfileText));
    return false;
}
