// Where the companion application leaves the phone profile: the registry key
// HKEY_LOCAL_MACHINE\SOFTWARE\Belltrove on Windows, the system-scope INI file
// Belltrove.conf elsewhere.
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

// One stored value as the store holds it: a number (REG_DWORD) or text.
struct ProfileValue
{
    enum Kind { Number, Text } kind = Text;
    qint32 number = 0;
    QByteArray text;
};

class ProfileStore
{
public:
    virtual ~ProfileStore() = default;

    // False when the profile does not exist at all.
    virtual bool exists() const = 0;
    // True when the profile is there but may not be read (its permissions):
    // starting from the companion application would not help then.
    virtual bool unreadable() const { return false; }
    virtual std::optional<ProfileValue> value(const char *name) const = 0;
};

// The machine-wide store of this platform. On Linux and macOS the file is
// looked for in each folder of $XDG_CONFIG_DIRS (default /etc/xdg), first
// match wins, as the XDG spec orders them.
std::unique_ptr<ProfileStore> openSystemProfileStore();

// An INI file at a known path; used by tests and by the system store itself.
std::unique_ptr<ProfileStore> openProfileFile(const QString &path);
