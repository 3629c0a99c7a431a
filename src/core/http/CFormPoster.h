// Posts one CPostForm as a multipart/form-data request with an exact
// Content-Length, streaming the files from disk as the network takes them,
// then hands the reply on.
#pragma once

#include "core/http/CPostForm.h"
#include "core/http/replyhandler.h"
#include "core/platform/inet.h"
#include "core/platform/winerror.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <vector>

struct PostStatus
{
    std::int32_t httpStatus = -1;
    // The server acknowledged the whole body, whatever came of it after.
    bool delivered = false;
};

class CFormPoster
{
public:
    // An empty handler reads the reply and drops it. `wait` (not owned, may
    // be null) lives through the network waits and may stop them.
    explicit CFormPoster(ReplyPieceHandler onReplyPiece = {}, inet::Timeouts timeouts = {},
                         Wait *wait = nullptr);

    pictovane::Result Send(CPostForm &form, PostStatus &status);

    static QByteArray MakeBoundary();
    static QByteArray MakeContentTypeHeader(const QByteArray &boundary);
    static QByteArray MakeFieldHeader(const QByteArray &boundary, const QByteArray &name);
    static QByteArray MakeFileHeader(const QByteArray &boundary, const QByteArray &name,
                                     const QByteArray &path, const QByteArray &contentType);
    static QByteArray MakeClosingBoundary(const QByteArray &boundary);
    static std::uint64_t FieldPartSize(const QByteArray &boundary, const QByteArray &name,
                                       const QByteArray &value);
    // The file's bytes are counted at `source`, or at `path` when empty.
    static std::uint64_t FilePartSize(const QByteArray &boundary, const QByteArray &name,
                                      const QByteArray &path, const QByteArray &contentType,
                                      const QString &source = {});
    static std::uint64_t BodySize(const CPostForm &form, const QByteArray &boundary);

    // The reply piece by piece to the handler, up to kMaxReplyBytes; the
    // failure that broke it off, if one did.
    pictovane::Result ReadServerReply(inet::InetRequest &request);

    static constexpr std::uint64_t kMaxReplyBytes = 1 << 20;
    static constexpr char kAgent[] = "WinInetPost/0.2";

private:
    ReplyPieceHandler m_onReplyPiece;
    inet::Timeouts m_timeouts;
    Wait *m_wait;
};

// The body of one form as the request layer pulls it: each text field part,
// each file part with the file read from disk when its turn comes, then the
// closing delimiter; the same bytes the builders above describe.
class FormBody
{
public:
    FormBody(const CPostForm &form, const QByteArray &boundary);
    // The next bytes, up to `size`; got 0 at the end. A file that cannot be
    // opened ends the body with the error of the open.
    pictovane::Result next(char *buffer, std::size_t size, std::size_t &got);

private:
    // Bytes of their own, or a file's contents.
    struct Segment
    {
        QByteArray bytes;
        QString source;
        bool isFile = false;
    };
    std::vector<Segment> m_segments;
    std::size_t m_index = 0;
    qsizetype m_offset = 0;
    QFile m_file;
};
