#include "core/http/CPostForm.h"

#include <QUrl>

#include <cstring>

namespace {

QByteArray orEmpty(const char *text)
{
    return text ? QByteArray(text) : QByteArray();
}
} // namespace

void CPostForm::AddFile(const char *name, const char *path, const char *contentType, const QString &source)
{
    m_files.append(FormFile{orEmpty(name), orEmpty(path), orEmpty(contentType), source});
}

void CPostForm::AddField(const char *name, const char *value)
{
    m_fields.append(FormField{orEmpty(name), orEmpty(value)});
}

bool CPostForm::SetUrl(const char *url)
{
    return setTarget(url, false);
}

bool CPostForm::SetUploadUrl(const char *url)
{
    return setTarget(url, true);
}

bool CPostForm::setTarget(const char *url, bool httpsAndAnyPort)
{
    // The scheme is compared as written: the URL parser would lower-case it.
    const bool secure = url && std::strncmp(url, "https:", 6) == 0;
    if (!url || (std::strncmp(url, "http:", 5) != 0 && !(secure && httpsAndAnyPort)))
        return false;
    const QUrl parsed(QString::fromUtf8(url), QUrl::StrictMode);
    if (!parsed.isValid() || parsed.host().isEmpty() || !parsed.userInfo().isEmpty() || parsed.hasQuery()
        || parsed.hasFragment())
        return false;
    const int port = parsed.port(secure ? 443 : 80);
    if (port <= 0 || (!httpsAndAnyPort && port != 80))
        return false;
    const QByteArray host = parsed.host(QUrl::FullyEncoded).toLatin1();
    m_strHost = host.contains(':') ? '[' + host + ']' : host;
    m_strPath = parsed.path(QUrl::FullyEncoded).toLatin1();
    if (m_strPath.isEmpty())
        m_strPath = "/";
    m_nPort = static_cast<std::uint16_t>(port);
    m_bSecure = secure;
    return true;
}
