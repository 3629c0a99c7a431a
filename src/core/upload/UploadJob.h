// One upload: the converted picture and eight text fields, posted to the
// upload server.
#pragma once

#include "core/app/wallpapertype.h"
#include "core/http/CPostForm.h"
#include "core/http/replyhandler.h"
#include "core/platform/inet.h"
#include "core/platform/winerror.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

struct PhoneProfile;

// What one upload sends: the converted picture and the eight inputs of its
// fields.
struct UploadRequest
{
    // The copy on disk, by its full path; it goes out under the name its
    // wallpaper type gives it (a.gif, …), wherever it lies.
    QString copyPath;
    QByteArray uploadFileName;
    QByteArray number;
    // As the user knows it; cleaned on its way to the server.
    QByteArray pictureTitle;
    qint32 carrier = 0;
    qint32 phone = 0;
    QByteArray version;
    qint32 wallpaperType = 0;
};

// The request for the converted copy at `copyPath`, named from the clock
// (see makeUploadFileName).
UploadRequest makeUploadRequest(const PhoneProfile &profile, const QString &copyPath,
                                std::uint32_t nowSeconds, const QString &pictureTitle);

// Characters that would break the server's handling of the name become "_".
void cleanPictureTitle(QByteArray &title);

// The configured upload URL, or the plain http one on the upload host.
QByteArray uploadUrl();
// Points the form at `url`: SetUploadUrl when one is configured, SetUrl
// otherwise. False when refused.
bool setUploadTarget(CPostForm &form, const QByteArray &url);

// The file part (the bytes of `copyPath` under the type's name), then the
// eight fields in the order the server reads them.
void fillUploadForm(CPostForm &form, const WallpaperType &file, const QString &copyPath,
                    const QByteArray &number, const QByteArray &uploadFileName, const QByteArray &cleanTitle,
                    qint32 carrier, qint32 phone, const QByteArray &version, const QByteArray &serial,
                    qint64 fileSize);

struct PostStatus;

// Runs one upload to its end. The reply goes piece by piece to
// onReplyPiece; the reply's HTTP status to *status when given. `wait` lives
// through the network waits (see platform/wait.h).
pictovane::Result UploadJob(const UploadRequest &request, const ReplyPieceHandler &onReplyPiece,
                            inet::Timeouts timeouts = {}, PostStatus *status = nullptr, Wait *wait = nullptr);
