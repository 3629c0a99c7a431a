#include "cli/headlessupload.h"

#include "app/PhoneProfile.h"
#include "app/uploadhistory.h"
#include "cli/commandline.h"
#include "platform/hiddenprocess.h"
#include "platform/host.h"
#include "platform/privatefolder.h"
#include "platform/profilestore.h"
#include "platform/winerror.h"
#include "upload/consolepresenter.h"
#include "upload/statusmessage.h"
#include "upload/uploadandreport.h"
#include "upload/uploadname.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <ctime>

HeadlessUpload systemHeadlessUpload(const QByteArray &picture, Framing framing)
{
    HeadlessUpload upload;
    upload.picture = picture;
    upload.framing = framing;
    upload.profile = openSystemProfileStore();
    upload.clock = [] { return static_cast<std::uint32_t>(std::time(nullptr)); };
    upload.converterLookup = systemConverterLookup();
    upload.historyFile = UploadHistory::standardFilePath();
    upload.showLinkCodes = host::standardOutputIsTerminal();
    return upload;
}

int uploadWithoutWindow(HeadlessUpload upload, QIODevice &out, QIODevice &err)
{
    ConsolePresenter console(out, err);
    console.setShowsLinkCodes(upload.showLinkCodes);

    // The window's start-up checks, with their texts.
    if (upload.profile && upload.profile->unreadable()) {
        console.messageBox(QStringLiteral("The phone profile exists but cannot be read."));
        return exitstatus::kNoProfile;
    }
    if (!upload.profile || !upload.profile->exists()) {
        console.messageBox(QStringLiteral(
            "Please Launch the wallpaper service from within the main Chimeforge Application"));
        return exitstatus::kNoProfile;
    }
    PhoneProfile profile{};
    profile.readFrom(*upload.profile);
    const QString outputExt = outputExtension(profile.wallpaperType);
    if (profile.wallpaperSupport == 0) {
        console.plainBox(QStringLiteral("We are sorry, your phone does not support wallpapers"),
                         QStringLiteral("Error"));
        return exitstatus::kNoProfile;
    }
    if (!wallpaperProfileUsable(profile.wallpaperType, profile.wallpaperWidth, profile.wallpaperHeight)) {
        console.messageBox(QString::fromLatin1(kUnusableProfileText));
        return exitstatus::kNoProfile;
    }
    // Our own folder, never the current one, and gone when we are.
    const PrivateFolder workFolder;
    const QString startDir = workFolder.path();

    // Browse, the picked file being the one given.
    const QString picturePath = reachableFileName(absoluteFileName(upload.picture), startDir);
    const Conversion outcome =
        startDir.isEmpty()
            ? Conversion::CannotWrite
            : convertPictureForPhone(
                picturePath, convertedPicturePath(startDir, outputExt), profile.wallpaperWidth,
                profile.wallpaperHeight, FrameView{upload.framing},
                converterPathFor(startDir, upload.converterLookup),
                [&](const QString &converter, const QStringList &arguments, const QString &picture) {
                    hiddenprocess::HiddenRun run(converter, arguments, startDir, picture);
                    return run.wait(upload.converterTimeLimit);
                });
    if (outcome != Conversion::Converted) {
        console.messageBox(conversionFailureText(outcome, upload.converterTimeLimit));
        return exitstatus::kNotConverted;
    }

    // Upload, with the window's name rule and inputs.
    const QByteArray uploadFileName = makeUploadFileName(upload.clock(), profile.wallpaperType);
    QByteArray title = pictureTitleOf(picturePath).toLocal8Bit();
    const UploadHistory history(upload.historyFile);
    const UploadReport report =
        uploadAndReport(console, startDir, uploadFileName, QByteArray(profile.Number), title, profile.Carrier,
                        profile.Phone, QByteArray(profile.Version), profile.wallpaperType, nullptr,
                        upload.timeouts, upload.historyFile.isEmpty() ? nullptr : &history);
    return uploadExitStatus(console.modesShown(), pictovane::FAILED(report.hr));
}

int uploadWithoutWindow(HeadlessUpload upload)
{
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return exitstatus::kSendFailed;
    return uploadWithoutWindow(std::move(upload), out, err);
}

int printUploadHistory(const QString &historyFile, QIODevice &out)
{
    for (const UploadRecord &record : UploadHistory(historyFile).entries()) {
        const QString line = record.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                             + QLatin1Char('\t') + record.title + QLatin1Char('\t')
                             + statusLinkText(record.link) + QLatin1Char('\n');
        out.write(line.toLocal8Bit());
    }
    return exitstatus::kSuccess;
}

int printUploadHistory(const QString &historyFile)
{
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return exitstatus::kSendFailed;
    return printUploadHistory(historyFile, out);
}
