#include "platform/profilestore.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

class IniProfileStore final : public ProfileStore
{
public:
    explicit IniProfileStore(const QString &path) : m_exists(!path.isEmpty() && QFileInfo(path).isFile())
    {
        if (m_exists)
            m_settings = std::make_unique<QSettings>(path, QSettings::IniFormat);
    }

    bool exists() const override { return m_exists; }

    std::optional<ProfileValue> value(const char *name) const override
    {
        if (!m_settings)
            return std::nullopt;
        const QVariant v = m_settings->value(QLatin1String(name));
        if (!v.isValid())
            return std::nullopt;
        // An INI file has no types: every value arrives as text and the
        // profile decides what a number field makes of it.
        ProfileValue out;
        out.kind = ProfileValue::Text;
        // An unquoted comma makes QSettings split the text into a list.
        const QString text = v.userType() == QMetaType::QStringList
                                 ? v.toStringList().join(QStringLiteral(", "))
                                 : v.toString();
        out.text = text.toLocal8Bit();
        return out;
    }

private:
    bool m_exists;
    std::unique_ptr<QSettings> m_settings;
};

#ifdef Q_OS_WIN
class RegistryProfileStore final : public ProfileStore
{
public:
    RegistryProfileStore()
    {
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Belltrove", 0, KEY_READ, &m_key) != ERROR_SUCCESS)
            m_key = nullptr;
    }
    ~RegistryProfileStore() override
    {
        if (m_key)
            RegCloseKey(m_key);
    }

    bool exists() const override { return m_key != nullptr; }

    std::optional<ProfileValue> value(const char *name) const override
    {
        if (!m_key)
            return std::nullopt;
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(m_key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS)
            return std::nullopt;
        QByteArray data(static_cast<int>(size), '\0');
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE *>(data.data()), &size)
            != ERROR_SUCCESS)
            return std::nullopt;
        data.truncate(static_cast<int>(size));
        ProfileValue out;
        if (type == REG_DWORD && data.size() == 4) {
            out.kind = ProfileValue::Number;
            std::memcpy(&out.number, data.constData(), 4);
        } else {
            out.kind = ProfileValue::Text;
            // Registry strings carry their terminator; the text ends there.
            const int nul = data.indexOf('\0');
            out.text = nul >= 0 ? data.left(nul) : data;
        }
        return out;
    }

private:
    HKEY m_key = nullptr;
};
#endif

QStringList systemConfigDirs()
{
    QStringList dirs;
    const QString env = qEnvironmentVariable("XDG_CONFIG_DIRS");
    for (const QString &d : env.split(QLatin1Char(':'), Qt::SkipEmptyParts))
        dirs << d;
    if (dirs.isEmpty())
        dirs << QStringLiteral("/etc/xdg");
    return dirs;
}

} // namespace

std::unique_ptr<ProfileStore> openProfileFile(const QString &path)
{
    return std::make_unique<IniProfileStore>(path);
}

std::unique_ptr<ProfileStore> openSystemProfileStore()
{
#ifdef Q_OS_WIN
    return std::make_unique<RegistryProfileStore>();
#else
    for (const QString &dir : systemConfigDirs()) {
        const QString path = dir + QStringLiteral("/Belltrove.conf");
        if (QFileInfo(path).isFile())
            return openProfileFile(path);
    }
    return openProfileFile(QString());
#endif
}
