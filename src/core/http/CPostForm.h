// What one multipart/form-data POST carries: where it goes, its text fields
// and its files, each list in the order added.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>

struct FormFile
{
    QByteArray name;
    QByteArray path; // the file's name in the part
    QByteArray contentType;
    QString source; // where its bytes are read from; `path` itself when empty
};

struct FormField
{
    QByteArray name;
    QByteArray value;
};

class CPostForm
{
public:
    // Null texts are kept as empty ones; nothing is checked here, not even
    // whether the file exists.
    void AddFile(const char *name, const char *path, const char *contentType, const QString &source = {});
    void AddField(const char *name, const char *value);

    // Accepts only a plain http URL on port 80 without user, password, query
    // or fragment; a refused URL changes nothing.
    bool SetUrl(const char *url);
    // The same for a configured upload URL, which may also be https and name
    // a port of its own.
    bool SetUploadUrl(const char *url);

    QByteArray m_strHost;
    QByteArray m_strPath;
    std::uint16_t m_nPort = 80;
    bool m_bSecure = false;
    QList<FormFile> m_files;
    QList<FormField> m_fields;

private:
    bool setTarget(const char *url, bool httpsAndAnyPort);
};
