#include "core/upload/UploadJob.h"

#include "config.h"
#include "core/app/PhoneProfile.h"
#include "core/http/CFormPoster.h"
#include "core/upload/uploadname.h"

#include <QFile>
#include <QFileInfo>

using namespace pictovane;

void cleanPictureTitle(QByteArray &title)
{
    for (char &c : title) {
        if (c == ' ' || c == '&' || c == '?' || c == '+' || c == '|')
            c = '_';
    }
}

QByteArray uploadUrl()
{
    if (config::kUploadUrl[0] != '\0')
        return config::kUploadUrl;
    return QByteArray("http://") + config::kUploadHost + "/wallpapers/upload3.php";
}

bool setUploadTarget(CPostForm &form, const QByteArray &url)
{
    // The plain http address keeps its strict rule; only a configured URL
    // may name https or another port.
    return config::kUploadUrl[0] != '\0' ? form.SetUploadUrl(url.constData()) : form.SetUrl(url.constData());
}

void fillUploadForm(CPostForm &form, const WallpaperType &file, const QString &copyPath,
                    const QByteArray &number, const QByteArray &uploadFileName, const QByteArray &cleanTitle,
                    qint32 carrier, qint32 phone, const QByteArray &version, const QByteArray &serial,
                    qint64 fileSize)
{
    form.AddFile("file_data", file.path, file.contentType, copyPath);
    form.AddField("sms", number.constData());
    form.AddField("file_name", uploadFileName.constData());
    form.AddField("image_name", cleanTitle.constData());
    form.AddField("carrier_index", QByteArray::number(carrier).constData());
    form.AddField("phone_id", QByteArray::number(phone).constData());
    form.AddField("version", version.constData());
    form.AddField("serial", serial.constData());
    form.AddField("file_size", QByteArray::number(fileSize).constData());
}

UploadRequest makeUploadRequest(const PhoneProfile &profile, const QString &copyPath,
                                std::uint32_t nowSeconds, const QString &pictureTitle)
{
    return {copyPath,
            makeUploadFileName(nowSeconds, profile.wallpaperType),
            QByteArray(profile.Number),
            pictureTitle.toLocal8Bit(),
            profile.Carrier,
            profile.Phone,
            QByteArray(profile.Version),
            profile.wallpaperType};
}

Result UploadJob(const UploadRequest &request, const ReplyPieceHandler &onReplyPiece, inet::Timeouts timeouts,
                 PostStatus *status, Wait *wait)
{
    // A relative name would be looked up in whatever folder is current, and
    // a file of the same name there must not go.
    if (!QFileInfo(request.copyPath).isAbsolute())
        return Result::PathNotFound;

    // An unknown type names no file: nothing sensible to send.
    const std::optional<WallpaperType> file = wallpaperTypeFor(request.wallpaperType);
    if (!file)
        return Result::InvalidParameter;

    qint64 fileSize = -1;
    {
        QFile f(request.copyPath);
        if (f.open(QIODevice::ReadOnly))
            fileSize = f.size();
    }

    QByteArray title = request.pictureTitle;
    cleanPictureTitle(title);

    CPostForm form;
    // A refused URL leaves the host empty, and the send fails at connecting.
    setUploadTarget(form, uploadUrl());
    fillUploadForm(form, *file, request.copyPath, request.number, request.uploadFileName, title,
                   request.carrier, request.phone, request.version, config::kSerial, fileSize);

    CFormPoster poster(onReplyPiece, timeouts, wait);
    PostStatus local;
    return poster.Send(form, status ? *status : local);
}
