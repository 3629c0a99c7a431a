#include "core/http/CFormPoster.h"

#include "core/platform/crtrandom.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

using namespace pictovane;

namespace {

// Where a file part's bytes are read from.
QString sourceOf(const QByteArray &path, const QString &source)
{
    return source.isEmpty() ? QString::fromLocal8Bit(path) : source;
}

// The size a file part announces; a file that cannot be opened counts as
// empty, as its part is never completed anyway.
std::uint64_t fileSize(const QString &source)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return static_cast<std::uint64_t>(file.size());
}

Result openError(const QString &source)
{
    return QFileInfo::exists(source) ? Result::AccessDenied : Result::FileNotFound;
}

} // namespace

CFormPoster::CFormPoster(ReplyPieceHandler onReplyPiece, inet::Timeouts timeouts, Wait *wait) :
    m_onReplyPiece(std::move(onReplyPiece)), m_timeouts(timeouts), m_wait(wait)
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
                                        const QByteArray &path, const QByteArray &contentType,
                                        const QString &source)
{
    return static_cast<std::uint64_t>(MakeFileHeader(boundary, name, path, contentType).size() + 2)
           + fileSize(sourceOf(path, source));
}

std::uint64_t CFormPoster::BodySize(const CPostForm &form, const QByteArray &boundary)
{
    std::uint64_t size = 0;
    for (const FormField &field : form.m_fields)
        size += FieldPartSize(boundary, field.name, field.value);
    for (const FormFile &file : form.m_files)
        size += FilePartSize(boundary, file.name, file.path, file.contentType, file.source);
    return size + static_cast<std::uint64_t>(MakeClosingBoundary(boundary).size());
}

Result CFormPoster::Send(CPostForm &form, PostStatus &status)
{
    inet::InetSession session(kAgent, m_timeouts, m_wait);
    if (Result hr = session.result(); failed(hr))
        return hr;
    inet::InetConnection connection(session, form.m_strHost, form.m_nPort,
                                    form.m_bSecure ? inet::Scheme::Https : inet::Scheme::Http);
    if (Result hr = connection.result(); failed(hr))
        return hr;
    inet::InetRequest request(connection, "POST", form.m_strPath);
    if (Result hr = request.result(); failed(hr))
        return hr;

    const QByteArray boundary = MakeBoundary();
    if (Result hr = request.addHeader(MakeContentTypeHeader(boundary)); failed(hr))
        return hr;
    FormBody body(form, boundary);
    Result hr =
        request.send(BodySize(form, boundary), [&body](char *buffer, std::size_t size, std::size_t &got) {
            return body.next(buffer, size, got);
        });
    if (!failed(hr)) {
        std::int32_t code = 0;
        if (!failed(request.status(code)))
            status.httpStatus = code;
        // A reply that breaks off before it ends is a failed upload, not silence.
        hr = ReadServerReply(request);
    }
    status.delivered = request.bodyDelivered();
    return hr;
}

FormBody::FormBody(const CPostForm &form, const QByteArray &boundary)
{
    for (const FormField &field : form.m_fields)
        m_segments.push_back({CFormPoster::MakeFieldHeader(boundary, field.name) + field.value + "\r\n", {}});
    for (const FormFile &file : form.m_files) {
        m_segments.push_back(
            {CFormPoster::MakeFileHeader(boundary, file.name, file.path, file.contentType), {}});
        m_segments.push_back({{}, sourceOf(file.path, file.source), true});
        m_segments.push_back({QByteArrayLiteral("\r\n"), {}});
    }
    m_segments.push_back({CFormPoster::MakeClosingBoundary(boundary), {}});
}

Result FormBody::next(char *buffer, std::size_t size, std::size_t &got)
{
    got = 0;
    while (got < size && m_index < m_segments.size()) {
        const Segment &segment = m_segments[m_index];
        if (!segment.isFile) {
            const qsizetype n = std::min<qsizetype>(segment.bytes.size() - m_offset, qsizetype(size - got));
            std::memcpy(buffer + got, segment.bytes.constData() + m_offset, std::size_t(n));
            got += std::size_t(n);
            m_offset += n;
            if (m_offset == segment.bytes.size()) {
                ++m_index;
                m_offset = 0;
            }
            continue;
        }
        if (!m_file.isOpen()) {
            m_file.setFileName(segment.source);
            // Unbuffered: the bytes go straight into libcurl's buffer.
            if (!m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
                return openError(segment.source);
        }
        const qint64 n = m_file.read(buffer + got, qint64(size - got));
        if (n < 0)
            return Result::ReadFault;
        if (n == 0) {
            m_file.close();
            ++m_index;
        }
        got += std::size_t(n);
    }
    return Result::Ok;
}

Result CFormPoster::ReadServerReply(inet::InetRequest &request)
{
    // An answer is a line or two; a reply that runs on is not read past its
    // first mebibyte, so a stream without end cannot hold the upload open.
    std::uint64_t total = 0;
    while (total < kMaxReplyBytes) {
        std::uint32_t available = 0;
        if (Result hr = request.available(available); failed(hr))
            return hr;
        QByteArray piece(static_cast<qsizetype>(std::min<std::uint64_t>(available, kMaxReplyBytes - total)),
                         Qt::Uninitialized);
        std::size_t got = 0;
        if (Result hr = request.read(piece.data(), static_cast<std::size_t>(piece.size()), got); failed(hr))
            return hr;
        if (got == 0)
            return Result::Ok;
        piece.truncate(static_cast<qsizetype>(got));
        total += got;
        if (m_onReplyPiece)
            m_onReplyPiece(piece);
    }
    return Result::Ok;
}
