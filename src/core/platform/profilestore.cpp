#include "core/platform/profilestore.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSettings>
#include <QStringList>

#include <cstring>

#ifdef Q_OS_WIN
#include "core/platform/winerror.h" // <windows.h>, lean and after Winsock 2
#endif

namespace {

// Whether a stored value is in one of the forms Qt's own INI writer makes of
// a value a plain line cannot carry: text in double quotes (with a comma or
// a semicolon, blanks at an end, or escapes inside), a byte array, or a
// leading "@" doubled. Qt reads those back itself; every other value is
// taken as its bytes stand.
bool inQtForm(QByteArrayView v)
{
    return (v.size() >= 2 && v.front() == '"' && v.back() == '"')
           || (v.startsWith("@ByteArray(") && v.endsWith(")")) || v.startsWith("@@");
}

// The values of the file's [General] section (and of lines before any
// section, which Qt files under General too); a later line wins.
QHash<QByteArray, QByteArray> readGeneralSection(const QByteArray &file)
{
    QHash<QByteArray, QByteArray> values;
    bool inGeneral = true;
    QByteArrayView rest(file);
    if (rest.startsWith("\xEF\xBB\xBF"))
        rest = rest.sliced(3);
    while (!rest.isEmpty()) {
        const qsizetype eol = rest.indexOf('\n');
        QByteArrayView line = eol < 0 ? rest : rest.first(eol);
        rest = eol < 0 ? QByteArrayView() : rest.sliced(eol + 1);
        line = line.trimmed();
        if (line.isEmpty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGeneral = line == "[General]";
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (!inGeneral || eq <= 0)
            continue;
        values.insert(line.first(eq).trimmed().toByteArray(), line.sliced(eq + 1).trimmed().toByteArray());
    }
    return values;
}

class IniProfileStore final : public ProfileStore
{
public:
    explicit IniProfileStore(const QString &path)
    {
        QFile file(path);
        if (path.isEmpty() || !QFileInfo(path).isFile())
            return;
        if (!file.open(QIODevice::ReadOnly)) {
            m_unreadable = true;
            return;
        }
        m_exists = true;
        m_values = readGeneralSection(file.readAll());
        const QSettings qt(path, QSettings::IniFormat);
        for (auto it = m_values.begin(); it != m_values.end(); ++it) {
            if (!inQtForm(*it))
                continue;
            const QVariant v = qt.value(QString::fromUtf8(it.key()));
            if (v.typeId() == QMetaType::QByteArray)
                *it = v.toByteArray();
            else if (v.canConvert<QString>())
                *it = v.toString().toUtf8();
        }
    }

    bool exists() const override { return m_exists; }
    bool unreadable() const override { return m_unreadable; }

    std::optional<ProfileValue> value(const char *name) const override
    {
        const auto it = m_values.constFind(QByteArray(name));
        if (it == m_values.constEnd())
            return std::nullopt;
        // An INI file has no types: every value arrives as text and the
        // profile decides what a number field makes of it.
        ProfileValue out;
        out.kind = ProfileValue::Text;
        out.text = *it;
        return out;
    }

private:
    bool m_exists = false;
    bool m_unreadable = false;
    QHash<QByteArray, QByteArray> m_values;
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
