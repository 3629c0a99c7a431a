#include "cli/headlessupload.h"

#include "cli/commandline.h"
#include "cli/consolepresenter.h"
#include "core/app/PhoneProfile.h"
#include "core/app/uploadhistory.h"
#include "core/platform/hiddenprocess.h"
#include "core/platform/host.h"
#include "core/platform/lastwords.h"
#include "core/platform/privatefolder.h"
#include "core/platform/profilestore.h"
#include "core/platform/wait.h"
#include "core/upload/statusmessage.h"
#include "core/upload/uploadandreport.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cstdio>
#include <ctime>

namespace {

// The wait of an upload without a window: one line of progress, redrawn in
// place, for a person at a terminal, and a stop once SIGINT or SIGTERM came.
class ConsoleWait : public Wait
{
public:
    // `progress` null: nobody to show it to.
    explicit ConsoleWait(QIODevice *progress) : m_progress(progress) {}

    void idle() override { draw(); }
    bool stopRequested() const override { return lastwords::stopSignal() != 0; }
    // Only noted: drawn at the next idle(), so a fast send costs nothing.
    void sent(std::uint64_t done, std::uint64_t total) override
    {
        m_done = done;
        m_total = total;
    }

    // The line as it stood last, ended, so what follows starts a line.
    void end()
    {
        draw();
        if (!m_shown.isEmpty())
            m_progress->write("\n");
        m_shown.clear();
    }

private:
    void draw()
    {
        if (!m_progress || m_total == 0)
            return;
        QString line = uploadProgressLine(m_done, m_total);
        if (line == m_shown)
            return;
        const qsizetype shown = m_shown.size();
        m_shown = line;
        // Blanks over the end of a longer line before.
        line = line.leftJustified(shown, QLatin1Char(' '));
        m_progress->write('\r' + line.toLocal8Bit());
    }

    QIODevice *m_progress;
    std::uint64_t m_done = 0;
    std::uint64_t m_total = 0;
    QString m_shown;
};

int stoppedStatus()
{
    return exitstatus::kStoppedBase + lastwords::stopSignal();
}

// The whole of `bytes`, or false: a link nobody received is no success.
bool writeAll(QIODevice &device, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return true;
    if (device.write(bytes) != bytes.size())
        return false;
    auto *file = qobject_cast<QFileDevice *>(&device);
    return !file || file->flush();
}

} // namespace

QString uploadProgressLine(std::uint64_t done, std::uint64_t total)
{
    const QLocale c = QLocale::c();
    const std::uint64_t percent = total == 0 ? 100 : std::min<std::uint64_t>(done, total) * 100 / total;
    return QStringLiteral("Sending the picture: %1% (%2 of %3)")
        .arg(percent)
        .arg(c.formattedDataSize(qint64(done)), c.formattedDataSize(qint64(total)));
}

HeadlessUpload systemHeadlessUpload(const QByteArray &picture, Framing framing)
{
    HeadlessUpload upload;
    upload.picture = picture;
    upload.framing = framing;
    upload.profile = openSystemProfileStore();
    upload.clock = [] { return static_cast<std::uint32_t>(std::time(nullptr)); };
    upload.converterLookup = systemConverterLookup();
    upload.historyFile = UploadHistory::standardFilePath();
    upload.outIsTerminal = host::isTerminal(stdout);
    upload.errIsTerminal = host::isTerminal(stderr);
    upload.showLinkCodes = upload.outIsTerminal;
    return upload;
}

int uploadWithoutWindow(HeadlessUpload upload, QIODevice &out, QIODevice &err)
{
    // The outcomes wait here until the end: a send that failed tells its
    // failure on standard error instead, and the output is written once,
    // whole or not at all.
    QBuffer outcomes;
    outcomes.open(QIODevice::WriteOnly);
    ConsolePresenter console(outcomes, err);
    console.setShowsLinkCodes(upload.showLinkCodes);
    console.setTerminals(upload.outIsTerminal, upload.errIsTerminal);
    ConsoleWait wait(upload.errIsTerminal ? &err : nullptr);

    // The window's start-up checks, with their texts.
    PhoneProfile profile{};
    if (loadPhoneProfile(upload.profile.get(), profile, console) != ProfileCheck::Usable)
        return exitstatus::kNoProfile;
    const QString outputExt = outputExtension(profile.wallpaperType);
    if (!wallpaperUsableOrSaySo(profile, console))
        return exitstatus::kNoProfile;
    // Our own folder, never the current one, and gone when we are.
    const PrivateFolder workFolder;
    const QString startDir = workFolder.path();
    if (lastwords::stopSignal())
        return stoppedStatus();

    // Browse, the picked file being the one given.
    const QString picturePath = reachableFileName(absoluteFileName(upload.picture), startDir);
    const QString copyPath = convertedPicturePath(startDir, outputExt);
    const Conversion outcome =
        startDir.isEmpty()
            ? Conversion::CannotWrite
            : convertPictureForPhone(picturePath, copyPath, profile.wallpaperWidth, profile.wallpaperHeight,
                                     upload.framing,
                                     ConverterCall{converterPathFor(upload.converterLookup), startDir,
                                                   upload.converterTimeLimit, &wait});
    if (outcome != Conversion::Converted) {
        console.messageBox(conversionFailureText(outcome, upload.converterTimeLimit));
        return outcome == Conversion::Stopped ? stoppedStatus() : exitstatus::kNotConverted;
    }
    if (lastwords::stopSignal())
        return stoppedStatus();

    // Upload, with the window's name rule and inputs.
    const UploadHistory history(upload.historyFile);
    const UploadReport report = uploadAndReport(
        console, makeUploadRequest(profile, copyPath, upload.clock(), pictureTitleOf(picturePath)), &wait,
        upload.timeouts, upload.historyFile.isEmpty() ? nullptr : &history);
    wait.end();
    if (report.stopped) {
        console.messageBox(stoppedText(report));
        return stoppedStatus();
    }
    const int status = uploadExitStatus(console.modesShown(), report.unanswered);
    if (status == exitstatus::kSendFailed) {
        // Not sent: no outcome for a script to take, only news for the person.
        for (const QByteArray &line : outcomes.data().split('\n')) {
            if (!line.isEmpty())
                err.write((upload.errIsTerminal
                               ? escapedForDisplay(QString::fromLocal8Bit(line)).toLocal8Bit()
                               : line)
                          + '\n');
        }
        return status;
    }
    return writeAll(out, outcomes.data()) ? status : exitstatus::kOutputFailed;
}

int uploadWithoutWindow(HeadlessUpload upload)
{
    // Straight to the descriptors, so a failed write shows in its result.
    QFile out;
    QFile err;
    if (!out.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered)
        || !err.open(fileno(stderr), QIODevice::WriteOnly | QIODevice::Unbuffered))
        return exitstatus::kOutputFailed;
    return uploadWithoutWindow(std::move(upload), out, err);
}

int printUploadHistory(const QString &historyFile, QIODevice &out, bool terminal)
{
    QByteArray lines;
    for (const UploadRecord &record : UploadHistory(historyFile).entries()) {
        QString title = record.title;
        QString link = statusLinkText(record.link);
        if (terminal) {
            title = escapedForDisplay(title);
            link = escapedForDisplay(link);
        }
        lines += (record.when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                  + QLatin1Char('\t') + title + QLatin1Char('\t') + link + QLatin1Char('\n'))
                     .toLocal8Bit();
    }
    return writeAll(out, lines) ? exitstatus::kSuccess : exitstatus::kOutputFailed;
}

int printUploadHistory(const QString &historyFile)
{
    QFile out;
    if (!out.open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered))
        return exitstatus::kOutputFailed;
    return printUploadHistory(historyFile, out, host::isTerminal(stdout));
}
