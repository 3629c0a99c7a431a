#include "http/CPostForm.h"

#include "platform/inet.h"

#include <cstring>

namespace {

QByteArray orEmpty(const char *text)
{
    return text ? QByteArray(text) : QByteArray();
}
} // namespace

void CPostForm::AddFile(const char *name, const char *path, const char *contentType)
{
    m_files.append(FormFile{orEmpty(name), orEmpty(path), orEmpty(contentType)});
}

void CPostForm::AddField(const char *name, const char *value)
{
    m_fields.append(FormField{orEmpty(name), orEmpty(value)});
}

bool CPostForm::SetUrl(const char *url)
{
    // The scheme is compared as written: the URL parser would lower-case it.
    if (!url || std::strncmp(url, "http:", 5) != 0)
        return false;
    const std::optional<inet::UrlParts> parts = inet::splitUrl(url);
    if (!parts || parts->scheme != "http" || parts->host.isEmpty())
        return false;
    if ((parts->port && *parts->port != "80") || parts->hasExtras)
        return false;
    m_strHost = parts->host;
    m_strPath = parts->path;
    return true;
}

bool CPostForm::SetUploadUrl(const char *url)
{
    if (!url)
        return false;
    const bool secure = std::strncmp(url, "https:", 6) == 0;
    if (!secure && std::strncmp(url, "http:", 5) != 0)
        return false;
    const std::optional<inet::UrlParts> parts = inet::splitUrl(url);
    if (!parts || parts->host.isEmpty() || parts->hasExtras)
        return false;
    bool ok = true;
    const uint port = parts->port ? parts->port->toUInt(&ok) : (secure ? 443 : 80);
    if (!ok || port == 0 || port > 65535)
        return false;
    m_strHost = parts->host;
    m_strPath = parts->path;
    m_nPort = static_cast<std::uint16_t>(port);
    m_bSecure = secure;
    return true;
}
