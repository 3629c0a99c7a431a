// Posts one CPostForm as a multipart/form-data request with an exact
// Content-Length, streaming the files from disk, then hands the reply on.
#pragma once

#include "http/CPostForm.h"
#include "http/replyhandler.h"
#include "platform/inet.h"
#include "platform/winerror.h"

#include <QByteArray>

#include <cstdint>

class QFile;

struct PostStatus
{
    std::int32_t reserved = 0;
    std::int32_t httpStatus = -1;
};

class CFormPoster
{
public:
    // An empty handler reads the reply and drops it.
    explicit CFormPoster(ReplyPieceHandler onReplyPiece = {}, inet::Timeouts timeouts = {});

    pictovane::HRESULT Send(CPostForm &form, PostStatus &status);

    static QByteArray MakeBoundary();
    static QByteArray MakeContentTypeHeader(const QByteArray &boundary);
    static QByteArray MakeFieldHeader(const QByteArray &boundary, const QByteArray &name);
    static QByteArray MakeFileHeader(const QByteArray &boundary, const QByteArray &name,
                                     const QByteArray &path, const QByteArray &contentType);
    static QByteArray MakeClosingBoundary(const QByteArray &boundary);
    static std::uint64_t FieldPartSize(const QByteArray &boundary, const QByteArray &name,
                                       const QByteArray &value);
    static std::uint64_t FilePartSize(const QByteArray &boundary, const QByteArray &name,
                                      const QByteArray &path, const QByteArray &contentType);
    // Of the form being sent, or of the one given.
    std::uint64_t BodySize(const QByteArray &boundary) const;
    static std::uint64_t BodySize(const CPostForm &form, const QByteArray &boundary);

    static pictovane::HRESULT WriteFieldPart(inet::InetRequest &request, const QByteArray &boundary,
                                             const QByteArray &name, const QByteArray &value);
    static pictovane::HRESULT WriteFilePart(inet::InetRequest &request, const QByteArray &boundary,
                                            const QByteArray &name, const QByteArray &path,
                                            const QByteArray &contentType);
    static pictovane::HRESULT StreamFile(inet::InetRequest &request, QFile &file);
    static pictovane::HRESULT QueryStatusCode(const inet::InetRequest &request, std::int32_t &code);
    pictovane::HRESULT ReadServerReply(inet::InetRequest &request);

    static constexpr std::size_t kChunkSize = 8192;
    static constexpr std::uint64_t kMaxReplyBytes = 1 << 20;
    static constexpr char kAgent[] = "WinInetPost/0.2";

private:
    CPostForm *m_pForm = nullptr;
    ReplyPieceHandler m_onReplyPiece;
    inet::Timeouts m_timeouts;
};
