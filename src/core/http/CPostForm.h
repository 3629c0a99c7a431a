// What one multipart/form-data POST carries: where it goes, its text fields
// and its files, each list in the order added.
#pragma once

#include <QByteArray>
#include <QList>

struct FormFile
{
    QByteArray name;
    QByteArray path;
    QByteArray contentType;
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
    void AddFile(const char *name, const char *path, const char *contentType);
    void AddField(const char *name, const char *value);

    // Accepts only a plain http URL on port 80 without user, password, query
    // or fragment; a refused URL changes nothing.
    bool SetUrl(const char *url);

    QByteArray m_strHost;
    QByteArray m_strPath;
    QList<FormFile> m_files;
    QList<FormField> m_fields;
};
