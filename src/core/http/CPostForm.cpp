#include "http/CPostForm.h"

#include <curl/curl.h>

#include <cstring>
#include <memory>

namespace {

QByteArray orEmpty(const char *text)
{
    return text ? QByteArray(text) : QByteArray();
}

struct UrlDeleter
{
    void operator()(CURLU *u) const { curl_url_cleanup(u); }
};

// The part's text, or nothing when the URL lacks it.
bool urlPart(CURLU *u, CURLUPart part, QByteArray &out, bool &present)
{
    char *text = nullptr;
    const CURLUcode rc = curl_url_get(u, part, &text, 0);
    present = rc == CURLUE_OK;
    if (present) {
        out = QByteArray(text);
        curl_free(text);
        return true;
    }
    return rc == CURLUE_NO_SCHEME || rc == CURLUE_NO_USER || rc == CURLUE_NO_PASSWORD
           || rc == CURLUE_NO_OPTIONS || rc == CURLUE_NO_HOST || rc == CURLUE_NO_PORT || rc == CURLUE_NO_QUERY
           || rc == CURLUE_NO_FRAGMENT || rc == CURLUE_NO_ZONEID;
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
    std::unique_ptr<CURLU, UrlDeleter> u(curl_url());
    if (!u || curl_url_set(u.get(), CURLUPART_URL, url, CURLU_NON_SUPPORT_SCHEME) != CURLUE_OK)
        return false;

    QByteArray scheme, host, port, path, unused;
    bool present = false;
    if (!urlPart(u.get(), CURLUPART_SCHEME, scheme, present) || scheme != "http")
        return false;
    if (!urlPart(u.get(), CURLUPART_HOST, host, present) || !present || host.isEmpty())
        return false;
    if (!urlPart(u.get(), CURLUPART_PORT, port, present) || (present && port != "80"))
        return false;
    for (CURLUPart part :
         {CURLUPART_USER, CURLUPART_PASSWORD, CURLUPART_OPTIONS, CURLUPART_QUERY, CURLUPART_FRAGMENT}) {
        if (!urlPart(u.get(), part, unused, present) || present)
            return false;
    }
    if (!urlPart(u.get(), CURLUPART_PATH, path, present))
        return false;
    m_strHost = host;
    m_strPath = path;
    return true;
}
