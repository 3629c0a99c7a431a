#include "core/app/uploadhistory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// False when the text is not a list of records as written below.
bool parseRecords(const QByteArray &bytes, QList<UploadRecord> &records)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return false;
    for (const QJsonValue &value : document.array()) {
        const QJsonObject object = value.toObject();
        UploadRecord record;
        record.when = QDateTime::fromString(object.value(QLatin1String("time")).toString(), Qt::ISODate);
        record.title = object.value(QLatin1String("title")).toString();
        // Latin-1 keeps every byte of the link as it came.
        record.link = object.value(QLatin1String("link")).toString().toLatin1();
        if (!record.when.isValid() || record.link.isEmpty())
            return false;
        records << record;
    }
    return true;
}

} // namespace

QString UploadHistory::standardFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
           + QStringLiteral("/uploads.json");
}

QList<UploadRecord> UploadHistory::entries() const
{
    QFile file(m_filePath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<UploadRecord> records;
    if (parseRecords(file.readAll(), records))
        return records.mid(0, kMaxEntries);
    file.close();
    // Never over an earlier damaged copy: each may be all the user has of
    // some links. Renaming never replaces a file that is there.
    const QString aside = m_filePath + QStringLiteral(".damaged");
    for (int n = 0; n < kMaxDamagedCopies; ++n) {
        if (QFile::rename(m_filePath, n ? aside + QStringLiteral(".%1").arg(n) : aside)
            || !QFileInfo::exists(m_filePath))
            break;
    }
    return {};
}

bool UploadHistory::add(const UploadRecord &record) const
{
    QList<UploadRecord> records = entries();
    records.prepend(record);
    return write(records.mid(0, kMaxEntries));
}

bool UploadHistory::clear() const
{
    return write({});
}

bool UploadHistory::write(const QList<UploadRecord> &records) const
{
    QJsonArray array;
    for (const UploadRecord &record : records) {
        array.append(QJsonObject{
            {QLatin1String("time"), record.when.toUTC().toString(Qt::ISODate)},
            {QLatin1String("title"), record.title},
            {QLatin1String("link"), QString::fromLatin1(record.link)},
        });
    }
    if (!QDir().mkpath(QFileInfo(m_filePath).absolutePath()))
        return false;
    // Written aside and renamed over, so a full disk never leaves half a file.
    QSaveFile file(m_filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QJsonDocument(array).toJson(QJsonDocument::Indented));
    return file.commit();
}
