// The links of earlier uploads, newest first, kept in the user's own data
// folder (never in the phone's profile, which is only read). Losing a record
// is better than disturbing an upload: a failure here only costs the user a
// line of text (kLinkNotKeptText).
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct UploadRecord
{
    QDateTime when;
    QString title;   // the picture's title as the user named the file
    QByteArray link; // exactly the bytes the server sent
};

// Told once with a link that could not be kept (its folder cannot be
// written), so that it is not silently lost.
inline constexpr char kLinkNotKeptText[] =
    "This link could not be kept in Recent Uploads: its folder cannot be written.";

class UploadHistory
{
public:
    static constexpr int kMaxEntries = 50;
    // Damaged copies kept at most; past them the damaged file stays as it is.
    static constexpr int kMaxDamagedCopies = 1000;

    // The file the records live in; its folder is made when first written.
    explicit UploadHistory(QString filePath) : m_filePath(std::move(filePath)) {}
    // The user's data folder (QStandardPaths::AppDataLocation).
    static QString standardFilePath();

    // Newest first. A file that cannot be read as records is set aside
    // (renamed with ".damaged", or ".damaged.1" and on where that is taken)
    // so the next record starts a fresh one.
    QList<UploadRecord> entries() const;
    // Puts the record first and drops what falls past kMaxEntries; false
    // when the file could not be written.
    bool add(const UploadRecord &record) const;
    bool clear() const;

    const QString &filePath() const { return m_filePath; }

private:
    bool write(const QList<UploadRecord> &records) const;

    QString m_filePath;
};
