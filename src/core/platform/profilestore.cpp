#include "platform/profilestore.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>

#include <cctype>
#include <cstring>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// Backslash escapes as Qt writes them into an INI value. Inside a byte
// array \xHH is a byte; inside text it is a character, kept as UTF-8.
QByteArray unescapeIniText(QByteArrayView text, bool bytes)
{
    static const char kNamed[] = "abfnrtv";
    static const char kControl[] = "\a\b\f\n\r\t\v";
    auto digitAt = [&](qsizetype i, int base) {
        const char c = i < text.size() ? text[i] : '\0';
        const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : std::isxdigit(static_cast<unsigned char>(c))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : base;
        return d < base ? d : -1;
    };

    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char e = text[++i];
        if (const char *named = e ? std::strchr(kNamed, e) : nullptr) {
            out += kControl[named - kNamed];
        } else if (e == 'x') {
            uint value = 0;
            for (int n = 0, d; n < 4 && (d = digitAt(i + 1, 16)) >= 0; ++n, ++i)
                value = value * 16 + static_cast<uint>(d);
            if (bytes || value < 0x80)
                out += static_cast<char>(value);
            else
                out += QString(QChar(static_cast<char16_t>(value))).toUtf8();
        } else if (digitAt(i, 8) >= 0) {
            uint value = static_cast<uint>(e - '0');
            for (int n = 0, d; n < 2 && (d = digitAt(i + 1, 8)) >= 0; ++n, ++i)
                value = value * 8 + static_cast<uint>(d);
            out += static_cast<char>(value);
        } else {
            // \" \' \? \\ and anything unknown: the character itself.
            out += e;
        }
    }
    return out;
}

// The stored bytes of one INI value: everything after the "=", blanks
// around it trimmed, taken as it stands. Only the forms Qt itself writes
// are read as such: a text in double quotes (Qt quotes one holding a comma
// or a semicolon, which a plain reader would split or cut), a byte array,
// and a leading "@" doubled.
QByteArray iniValue(QByteArrayView raw)
{
    const QByteArrayView v = raw.trimmed();
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"')
        return unescapeIniText(v.sliced(1, v.size() - 2), false);
    if (v.startsWith("@ByteArray(") && v.endsWith(")"))
        return unescapeIniText(v.sliced(11, v.size() - 12), true);
    if (v.startsWith("@@"))
        return v.sliced(1).toByteArray();
    return v.toByteArray();
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
        values.insert(line.first(eq).trimmed().toByteArray(), iniValue(line.sliced(eq + 1)));
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
