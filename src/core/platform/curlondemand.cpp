// libcurl, loaded at the first request instead of at start. Linked, it and
// the thirty libraries it brings (TLS, Kerberos, LDAP, SSH...) are mapped
// and bound before main, a third of the time to the window, though most
// runs send nothing for a while and some never. The request layer calls
// libcurl as usual; these definitions stand in for the library's and pass
// each call on. Only the functions the program calls are here: a new one
// is an undefined reference at link time, never a surprise at run time.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>

#include <QtGlobal>

#include <dlfcn.h>

#include <cstdarg>

namespace {

// The name libcurl's ABI has carried since 7.16.
constexpr char kLibrary[] = "libcurl.so.4";

void *libcurlSymbol(const char *name)
{
    static void *const library = [] {
        void *handle = dlopen(kLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            qFatal("%s", dlerror());
        return handle;
    }();
    void *symbol = dlsym(library, name);
    if (!symbol)
        qFatal("%s has no %s", kLibrary, name);
    return symbol;
}

} // namespace

// The library's own function of that name, looked up once.
#define LIBCURL(name)                                                                                        \
    ([] {                                                                                                    \
        static const auto function = reinterpret_cast<decltype(&::name)>(libcurlSymbol(#name));              \
        return function;                                                                                     \
    }())

extern "C" {

CURLcode curl_global_init(long flags)
{
    return LIBCURL(curl_global_init)(flags);
}

CURL *curl_easy_init()
{
    return LIBCURL(curl_easy_init)();
}

void curl_easy_cleanup(CURL *curl)
{
    LIBCURL(curl_easy_cleanup)(curl);
}

// The value's type follows from the option's number, as libcurl reads it.
CURLcode curl_easy_setopt(CURL *curl, CURLoption option, ...)
{
    va_list args;
    va_start(args, option);
    const auto set = LIBCURL(curl_easy_setopt);
    CURLcode result;
    if (option < CURLOPTTYPE_OBJECTPOINT)
        result = set(curl, option, va_arg(args, long));
    else if (option < CURLOPTTYPE_FUNCTIONPOINT || option >= CURLOPTTYPE_BLOB)
        result = set(curl, option, va_arg(args, void *));
    else if (option < CURLOPTTYPE_OFF_T)
        result = set(curl, option, va_arg(args, void (*)()));
    else
        result = set(curl, option, va_arg(args, curl_off_t));
    va_end(args);
    return result;
}

// Every piece of information is written through a pointer.
CURLcode curl_easy_getinfo(CURL *curl, CURLINFO info, ...)
{
    va_list args;
    va_start(args, info);
    const CURLcode result = LIBCURL(curl_easy_getinfo)(curl, info, va_arg(args, void *));
    va_end(args);
    return result;
}

CURLcode curl_easy_pause(CURL *curl, int bitmask)
{
    return LIBCURL(curl_easy_pause)(curl, bitmask);
}

CURLM *curl_multi_init()
{
    return LIBCURL(curl_multi_init)();
}

CURLMcode curl_multi_cleanup(CURLM *multi)
{
    return LIBCURL(curl_multi_cleanup)(multi);
}

CURLMcode curl_multi_add_handle(CURLM *multi, CURL *curl)
{
    return LIBCURL(curl_multi_add_handle)(multi, curl);
}

CURLMcode curl_multi_remove_handle(CURLM *multi, CURL *curl)
{
    return LIBCURL(curl_multi_remove_handle)(multi, curl);
}

CURLMcode curl_multi_perform(CURLM *multi, int *running)
{
    return LIBCURL(curl_multi_perform)(multi, running);
}

CURLMcode curl_multi_poll(CURLM *multi, struct curl_waitfd extraFds[], unsigned int extraCount, int timeoutMs,
                          int *ready)
{
    return LIBCURL(curl_multi_poll)(multi, extraFds, extraCount, timeoutMs, ready);
}

CURLMsg *curl_multi_info_read(CURLM *multi, int *left)
{
    return LIBCURL(curl_multi_info_read)(multi, left);
}

struct curl_slist *curl_slist_append(struct curl_slist *list, const char *text)
{
    return LIBCURL(curl_slist_append)(list, text);
}

void curl_slist_free_all(struct curl_slist *list)
{
    LIBCURL(curl_slist_free_all)(list);
}

CURLU *curl_url()
{
    return LIBCURL(curl_url)();
}

void curl_url_cleanup(CURLU *url)
{
    LIBCURL(curl_url_cleanup)(url);
}

CURLUcode curl_url_set(CURLU *url, CURLUPart what, const char *part, unsigned int flags)
{
    return LIBCURL(curl_url_set)(url, what, part, flags);
}

} // extern "C"
