#include "http/CFormPoster.h"

#include "platform/crtrandom.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <memory>
#include <vector>

using namespace pictovane;

namespace {

HRESULT write(inet::InetRequest &request, const QByteArray &bytes)
{
    return request.write(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

// The size a file part announces; a file that cannot be opened counts as
// empty, as its part is never completed anyway.
std::uint64_t fileSize(const QByteArray &path)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<std::uint64_t>(file.size());
}

HRESULT openError(const QByteArray &path)
{
    const QFileInfo info(QString::fromLocal8Bit(path));
    return HRESULT_FROM_WIN32(info.exists() ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
}

} // namespace

CFormPoster::CFormPoster(ReplyPieceHandler onReplyPiece, inet::Timeouts timeouts) :
    m_onReplyPiece(std::move(onReplyPiece)), m_timeouts(timeouts)
{}

QByteArray CFormPoster::MakeBoundary()
{
    const int a = crtrandom::rand() & 0xFFFF;
    const int b = crtrandom::rand() & 0xFFFF;
    const int c = crtrandom::rand() & 0xFFFF;
    char digits[13];
    std::snprintf(digits, sizeof digits, "%04X%04X%04X", a, b, c);
    return QByteArray("---------------------------") + digits;
}

QByteArray CFormPoster::MakeContentTypeHeader(const QByteArray &boundary)
{
    return "Content-Type: multipart/form-data; boundary=" + boundary;
}

QByteArray CFormPoster::MakeFieldHeader(const QByteArray &boundary, const QByteArray &name)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"\r\n\r\n";
}

QByteArray CFormPoster::MakeFileHeader(const QByteArray &boundary, const QByteArray &name,
                                       const QByteArray &path, const QByteArray &contentType)
{
    return "--" + boundary + "\r\nContent-Disposition: form-data; name=\"" + name + "\"; filename=\"" + path
           + "\"\r\nContent-Type: " + contentType + "\r\n\r\n";
}

QByteArray CFormPoster::MakeClosingBoundary(const QByteArray &boundary)
{
    return "--" + boundary + "--\r\n";
}

std::uint64_t CFormPoster::FieldPartSize(const QByteArray &boundary, const QByteArray &name,
                                         const QByteArray &value)
{
    return static_cast<std::uint64_t>(MakeFieldHeader(boundary, name).size() + value.size() + 2);
}

std::uint64_t CFormPoster::FilePartSize(const QByteArray &boundary, const QByteArray &name,
                                        const QByteArray &path, const QByteArray &contentType)
{
    return static_cast<std::uint64_t>(MakeFileHeader(boundary, name, path, contentType).size() + 2)
           + fileSize(path);
}

std::uint64_t CFormPoster::BodySize(const QByteArray &boundary) const
{
    return m_pForm ? BodySize(*m_pForm, boundary) : 0;
}

std::uint64_t CFormPoster::BodySize(const CPostForm &form, const QByteArray &boundary)
{
    std::uint64_t size = 0;
    for (const FormField &field : form.m_fields)
        size += FieldPartSize(boundary, field.name, field.value);
    for (const FormFile &file : form.m_files)
        size += FilePartSize(boundary, file.name, file.path, file.contentType);
    return size + static_cast<std::uint64_t>(MakeClosingBoundary(boundary).size());
}

HRESULT CFormPoster::Send(CPostForm &form, PostStatus &status)
{
    m_pForm = &form;

    inet::InetSession session(kAgent, m_timeouts);
    if (HRESULT hr = session.result(); FAILED(hr))
        return hr;
    inet::InetConnection connection(session, form.m_strHost, 80);
    if (HRESULT hr = connection.result(); FAILED(hr))
        return hr;
    inet::InetRequest request(connection, "POST", form.m_strPath);
    if (HRESULT hr = request.result(); FAILED(hr))
        return hr;

    const QByteArray boundary = MakeBoundary();
    if (HRESULT hr = request.addHeader(MakeContentTypeHeader(boundary)); FAILED(hr))
        return hr;
    if (HRESULT hr = request.begin(BodySize(boundary)); FAILED(hr))
        return hr;
    for (const FormField &field : form.m_fields) {
        if (HRESULT hr = WriteFieldPart(request, boundary, field.name, field.value); FAILED(hr))
            return hr;
    }
    for (const FormFile &file : form.m_files) {
        if (HRESULT hr = WriteFilePart(request, boundary, file.name, file.path, file.contentType); FAILED(hr))
            return hr;
    }
    if (HRESULT hr = write(request, MakeClosingBoundary(boundary)); FAILED(hr))
        return hr;
    if (HRESULT hr = request.end(); FAILED(hr))
        return hr;

    std::int32_t code = 0;
    if (SUCCEEDED(QueryStatusCode(request, code)))
        status.httpStatus = code;
    ReadServerReply(request);
    return S_OK;
}

HRESULT CFormPoster::WriteFieldPart(inet::InetRequest &request, const QByteArray &boundary,
                                    const QByteArray &name, const QByteArray &value)
{
    if (HRESULT hr = write(request, MakeFieldHeader(boundary, name)); FAILED(hr))
        return hr;
    if (HRESULT hr = write(request, value); FAILED(hr))
        return hr;
    return write(request, QByteArrayLiteral("\r\n"));
}

HRESULT CFormPoster::WriteFilePart(inet::InetRequest &request, const QByteArray &boundary,
                                   const QByteArray &name, const QByteArray &path,
                                   const QByteArray &contentType)
{
    if (HRESULT hr = write(request, MakeFileHeader(boundary, name, path, contentType)); FAILED(hr))
        return hr;
    QFile file(QString::fromLocal8Bit(path));
    // Unbuffered: the request gathers the chunks itself, and a file buffer
    // would only add a copy.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return openError(path);
    const HRESULT streamed = StreamFile(request, file);
    file.close();
    if (FAILED(streamed))
        return streamed;
    return write(request, QByteArrayLiteral("\r\n"));
}

HRESULT CFormPoster::StreamFile(inet::InetRequest &request, QFile &file)
{
    std::vector<char> chunk(kChunkSize);
    for (;;) {
        const qint64 got = file.read(chunk.data(), static_cast<qint64>(chunk.size()));
        if (got < 0)
            return HRESULT_FROM_WIN32(ERROR_READ_FAULT);
        if (got == 0)
            return S_OK;
        if (HRESULT hr = request.write(chunk.data(), static_cast<std::size_t>(got)); FAILED(hr))
            return hr;
    }
}

HRESULT CFormPoster::QueryStatusCode(const inet::InetRequest &request, std::int32_t &code)
{
    std::int32_t value = 0;
    if (HRESULT hr = request.status(value); FAILED(hr))
        return hr;
    code = value;
    return S_OK;
}

HRESULT CFormPoster::ReadServerReply(inet::InetRequest &request)
{
    // An answer is a line or two; a reply that runs on is not read past its
    // first mebibyte, so a stream without end cannot hold the upload open.
    std::uint64_t total = 0;
    while (total < kMaxReplyBytes) {
        std::uint32_t available = 0;
        if (FAILED(request.available(available)))
            return S_OK;
        QByteArray piece(static_cast<qsizetype>(available), Qt::Uninitialized);
        std::size_t got = 0;
        if (HRESULT hr = request.read(piece.data(), static_cast<std::size_t>(piece.size()), got); FAILED(hr))
            return hr;
        if (got == 0)
            return S_OK;
        piece.truncate(static_cast<qsizetype>(got));
        total += got;
        if (m_onReplyPiece)
            m_onReplyPiece(piece);
    }
    return S_OK;
}
