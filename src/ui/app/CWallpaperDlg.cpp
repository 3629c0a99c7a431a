#include "ui/app/CWallpaperDlg.h"

#include "config.h"
#include "core/app/attention.h"
#include "core/app/converter.h"
#include "core/app/picturedrop.h"
#include "core/app/presenter.h"
#include "core/app/resources.h"
#include "core/app/uploadhistory.h"
#include "core/app/wallpapertype.h"
#include "core/platform/connectivity.h"
#include "core/platform/hiddenprocess.h"
#include "core/platform/privatefolder.h"
#include "core/platform/profilestore.h"
#include "core/upload/uploadprogress.h"
#include "ui/app/screenbitmap.h"
#include "ui/app/windowwait.h"
#include "ui/preview/CImagePreviewStatic.h"
#include "ui/preview/framingdialog.h"
#include "ui_dialog102.h"

#include <QActionGroup>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <utility>

namespace {

const QString kNotConverted = QStringLiteral("This picture could not be converted for your phone.");
const QString kStopConverting = QStringLiteral("Stop converting the picture?");
// How long the wheel or the keys rest before the picture is converted again.
constexpr int kReframeRestMs = 400;
const char kFramingKey[] = "framing";
const char kFramingWindowKey[] = "framingWindow/size";

const char kUploadBarStyle[] = "QProgressBar { background-color: rgb(204, 255, 255);"
                               " border: 1px solid rgb(122, 138, 153); }"
                               "QProgressBar::chunk { background-color: rgb(255, 204, 0); }";

} // namespace

struct CWallpaperDlg::Reframing
{
    std::unique_ptr<hiddenprocess::HiddenRun> run;
    FrameView view;
    QString next;
    QDeadlineTimer deadline;
    // Set while Upload waits for it: its end is then taken there.
    bool waitedFor = false;
    // Which run this is; a late signal of an ended one names an older one.
    quint64 number = 0;
};

CWallpaperDlg::CWallpaperDlg(Presenter &presenter, std::unique_ptr<ProfileStore> profileStore,
                             QWidget *parent) :
    QDialog(parent),
    m_ui(std::make_unique<Ui::CWallpaperDlg>()),
    m_presenter(presenter),
    m_profileStore(std::move(profileStore)),
    m_clock([] { return static_cast<std::uint32_t>(std::time(nullptr)); }),
    m_exitProcess([](int code) {
        std::fflush(nullptr);
        std::_Exit(code);
    })
{
    m_ui->setupUi(this);
    m_progress = m_ui->progress1005;
    m_preview = m_ui->preview2222;
    m_browseButton = m_ui->button1007;
    m_uploadButton = m_ui->button1008;
    m_closeButton = m_ui->button1009;

    // Presses on the picture belong to the window: they drag it.
    m_ui->background->setAttribute(Qt::WA_TransparentForMouseEvents);
    setWindowIcon(resources::loadIcon(128));

    // A picture file dropped anywhere on the window is taken as Browse would.
    setAcceptDrops(true);

    m_reframeTimer = new QTimer(this);
    m_reframeTimer->setSingleShot(true);
    connect(m_reframeTimer, &QTimer::timeout, this, [this] {
        // Never under a held button: the wait would drop the rest of the
        // drag, its release included, and the picture would stop mid-way.
        if (QGuiApplication::mouseButtons() != Qt::NoButton)
            m_reframeTimer->start(kReframeRestMs);
        else
            reframe();
    });
    m_reframeLimit = new QTimer(this);
    m_reframeLimit->setSingleShot(true);
    connect(m_reframeLimit, &QTimer::timeout, this, [this] {
        if (m_reframe && !m_reframe->waitedFor)
            finishReframe(m_reframe->run->wait(std::chrono::milliseconds(0)));
    });
    m_preview->setHint(QStringLiteral("Drag the picture to move it, turn the wheel to zoom, double-click to "
                                      "go back to the suggested framing; Enter or \u201cFrame the "
                                      "picture\u2026\u201d in the right-click menu frames it larger."));
    connect(m_preview, &CImagePreviewStatic::viewChanged, this, [this](const FrameView &view) {
        m_frameView = view;
        m_copyStale = !m_picturePath.isEmpty();
        // An older framing's conversion is no use any more: it ends now.
        if (m_reframe && !(m_reframe->view == view))
            dropReframe();
        // During a drag only the preview follows; the converter runs once
        // the picture is let go, or once the wheel rests.
        if (m_preview->isDragging())
            m_reframeTimer->stop();
        else
            m_reframeTimer->start(kReframeRestMs);
    });
    connect(m_preview, &CImagePreviewStatic::viewSettled, this, [this] {
        if (m_copyStale)
            m_reframeTimer->start(0);
    });

    connect(m_browseButton, &QAbstractButton::clicked, this, &CWallpaperDlg::OnBrowse);
    connect(m_uploadButton, &QAbstractButton::clicked, this, &CWallpaperDlg::OnUpload);
    connect(m_closeButton, &QAbstractButton::clicked, this, &CWallpaperDlg::OnCloseButton);
}

CWallpaperDlg::~CWallpaperDlg() = default;

int CWallpaperDlg::DoModal()
{
    if (!m_initialised)
        OnInitDialog();
    if (m_endedDuringInit)
        return result();
    centreOnScreen();
    if (!m_startPicture.isEmpty()) {
        // Queued, so it runs once the modal loop does, with the window up.
        QMetaObject::invokeMethod(
            this,
            [this, picture = m_startPicture] {
                if (!isBusy())
                    browseTo(reachableFileName(picture, m_startDir));
            },
            Qt::QueuedConnection);
    }
    return exec();
}

void CWallpaperDlg::OnInitDialog()
{
    m_initialised = true;
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("Chimeforge Wallpaper"));

    showScreenBitmap(m_ui->background, 131);
    // The bitmap is narrower than the window; the strips beside it take its
    // base colour.
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0x1D, 0x23, 0x57));
    setPalette(pal);
    setAutoFillBackground(true);

    // Rendered for this screen's density; only their logical sizes are used.
    const qreal ratio = devicePixelRatioF();
    m_browseBitmap = resources::loadBitmap(132, ratio);
    m_uploadBitmap = resources::loadBitmap(134, ratio);
    m_closeBitmap = resources::loadBitmap(135, ratio);
    // Normal and pressed pictures only, drawn 1:1, no border, no focus rectangle.
    m_ui->button1007->ApplySkin(132, 136, 0, 0, 0, 0, SKIN_DRAW_NORMAL, 0, 0);
    m_ui->button1008->ApplySkin(134, 137, 0, 0, 0, 0, SKIN_DRAW_NORMAL, 0, 0);
    m_ui->button1009->ApplySkin(135, 138, 0, 0, 0, 0, SKIN_DRAW_NORMAL, 0, 0);

    FitButtonToBitmap(m_browseBitmap, m_browseButton);
    FitButtonToBitmap(m_uploadBitmap, m_uploadButton);
    FitButtonToBitmap(m_closeBitmap, m_closeButton);
    // The close glyph alone is a hard target; the few pixels around it take
    // clicks too, and no more of the background that drags the window.
    m_ui->button1009->setMinimumTarget(QSize(24, 24));

    m_preview->InitGraphics();
    // The upload's colours from the start, so the bar's look does not change
    // at the first Upload.
    m_progress->setStyleSheet(QString::fromLatin1(kUploadBarStyle));

    switch (loadPhoneProfile(m_profileStore.get(), m_profile, m_presenter)) {
    case ProfileCheck::NoWallpapers:
        // The program ends here, without its normal shut-down.
        m_exitProcess(0);
        endDuringInit();
        return;
    case ProfileCheck::Missing:
        endDuringInit();
        break;
    case ProfileCheck::Usable:
        m_outputExt = outputExtension(m_profile.wallpaperType);
        break;
    }

    // The converter is looked for where we were started, not in our folder.
    m_converterLookup = systemConverterLookup();
    // Never the current folder: that is often the user's home, with photos
    // of the same names, and another instance may share it.
    m_workFolder = std::make_unique<PrivateFolder>();
    m_startDir = m_workFolder->path();

    m_frameView = FrameView{
        m_startFraming.value_or(framingFromName(userSettings().value(QLatin1String(kFramingKey)).toString())
                                    .value_or(Framing::Fill))};
    if (wallpaperProfileUsable(m_profile.wallpaperType, m_profile.wallpaperWidth, m_profile.wallpaperHeight))
        m_preview->setScreenSize(QSize(m_profile.wallpaperWidth, m_profile.wallpaperHeight));
    m_preview->setView(m_frameView);
}

void CWallpaperDlg::setUserSettings(std::unique_ptr<QSettings> settings)
{
    m_userSettings = std::move(settings);
}

QSettings &CWallpaperDlg::userSettings()
{
    // The user's own file, never the phone's profile, which stays read-only.
    if (!m_userSettings)
        m_userSettings =
            std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                        QStringLiteral("Pictovane"), QStringLiteral("Pictovane"));
    return *m_userSettings;
}

void CWallpaperDlg::centreOnScreen()
{
    // Qt would centre the frame it expects a decorated window to have; this
    // window has none, so its own rectangle is what gets centred.
    // The primary screen, where the user looks for a new window; not the
    // one that happens to hold the origin.
    const QScreen *s = QGuiApplication::primaryScreen();
    if (!s)
        return;
    const QRect area = s->availableGeometry();
    const QSize room = area.size() - size();
    move(area.topLeft() + QPoint(room.width() / 2, room.height() / 2));
}

void CWallpaperDlg::endDuringInit()
{
    m_endedDuringInit = true;
    setResult(QDialog::Rejected);
}

void CWallpaperDlg::FitButtonToBitmap(const QImage &bitmap, QAbstractButton *button)
{
    if (bitmap.isNull())
        return;
    // Logical pixels: the layout is the same at every screen density.
    button->setGeometry(QRect(button->geometry().topLeft(), bitmap.deviceIndependentSize().toSize()));
}

void CWallpaperDlg::refreshProgress()
{
    m_progress->repaint();
    m_progress->setRange(0, uploadprogress::kMaximum);
}

void CWallpaperDlg::OnUpload()
{
    if (m_picturePath.isEmpty()) {
        m_presenter.messageBox(QStringLiteral("Please Click Browse to select a file to Upload"));
        return;
    }
    // The copy on disk must hold the framing the preview shows.
    if (m_copyStale && !reframe(true))
        return;
    const UploadRequest request = makeUploadRequest(m_profile, convertedPicturePath(m_startDir, m_outputExt),
                                                    m_clock(), m_pictureTitle);

    if (connectivity::isDisconnectedByUser())
        connectivity::goOnline(QString::fromLatin1(config::kBrandUrl), reinterpret_cast<void *>(winId()));

    refreshProgress();
    m_progress->setValue(0);

    UploadReport report;
    if (m_uploadJob) {
        WindowWait wait(*this, busyControls(), m_wait, m_presenter,
                        QStringLiteral("Stop sending the picture?"));
        wait.onSent([this, &wait](std::uint64_t acknowledged, std::uint64_t total) {
            m_progress->setValue(uploadprogress::whileSending(acknowledged, total));
            // Past this point a stop no longer keeps the picture from the phone.
            if (acknowledged == total)
                wait.setQuestion(QStringLiteral("Stop waiting for the server's answer?"));
        });
        report = m_uploadJob(request, &wait);
    }

    refreshProgress();
    m_progress->setValue(uploadprogress::afterJob(report.failed || report.stopped));
    // The picture stays chosen: Upload tries again.
    if (report.stopped)
        m_presenter.messageBox(stoppedText(report));
}

void CWallpaperDlg::OnBrowse()
{
    refreshProgress();
    m_progress->setValue(0);
    if (!wallpaperUsableOrSaySo(m_profile, m_presenter))
        return;

    const std::optional<QString> picked = m_presenter.openFileName(browseNameFilters());
    if (!picked) {
        m_picturePath.clear();
        m_pictureTitle.clear();
        m_preview->LoadImageFile(m_picturePath);
        return;
    }
    choosePicture(*picked);
}

void CWallpaperDlg::browseTo(const QString &picturePath)
{
    refreshProgress();
    m_progress->setValue(0);
    if (wallpaperUsableOrSaySo(m_profile, m_presenter))
        choosePicture(picturePath);
}

void CWallpaperDlg::choosePicture(const QString &picturePath)
{
    m_picturePath = picturePath;
    m_pictureTitle = pictureTitleOf(m_picturePath);
    // A new pick starts in the framing chosen, centred until measured.
    m_frameView = FrameView{m_frameView.framing};
    m_suggested.reset();
    m_reframeTimer->stop();
    dropReframe();
    m_copyStale = false;

    const QSize screen(m_profile.wallpaperWidth, m_profile.wallpaperHeight);
    const QString output = convertedPicturePath(m_startDir, m_outputExt);
    const QString work = workingCopyPath(output);
    // The last pick's copy never stands in for this one, whatever happens.
    if (!m_startDir.isEmpty())
        QFile::remove(output);
    Conversion outcome = Conversion::CannotWrite;
    if (!m_startDir.isEmpty()) {
        // One wait for both steps: the window stays busy in between.
        WindowWait wait(*this, busyControls(), m_wait, m_presenter, kStopConverting);
        const ConverterCall converter = converterCall(&wait);
        outcome = makeWorkingCopy(m_picturePath, work, screen, converter);
        // The preview shows the converter's own upright copy, so it shows every
        // format the converter reads, turned as the phone will get it.
        m_preview->LoadImageFile(outcome == Conversion::Converted ? work : QString());
        if (outcome == Conversion::Converted && m_frameView.framing == Framing::Fill)
            m_frameView = startingView(Framing::Fill, suggestedCentre());
        m_preview->setView(m_frameView);
        // Held to what Fill can show, as every later view is.
        m_frameView = m_preview->view();
        m_preview->repaint();
        if (outcome == Conversion::Converted)
            outcome = framePhoneCopy(work, output, screen, m_frameView, converter);
    }
    if (outcome != Conversion::Converted) {
        forgetPick();
        m_presenter.messageBox(conversionFailureText(outcome, m_converterTimeLimit));
    }
}

bool CWallpaperDlg::reframe(bool forUpload)
{
    m_reframeTimer->stop();
    if (isBusy()) {
        // A timer that fires during another wait tries again after it.
        m_reframeTimer->start(kReframeRestMs);
        return false;
    }
    if (m_picturePath.isEmpty())
        return false;
    if (!m_copyStale)
        return true;
    if (m_reframe && m_reframe->view == m_frameView) {
        if (!forUpload)
            return true;
        // Upload sends this framing: the window waits for it as for any
        // conversion, and its end is taken here, once.
        m_reframe->waitedFor = true;
        hiddenprocess::RunResult run;
        {
            WindowWait wait(*this, busyControls(), m_wait, m_presenter, kStopConverting);
            const auto left =
                std::chrono::milliseconds(std::max<qint64>(0, m_reframe->deadline.remainingTime()));
            run = m_reframe->run->wait(left, &wait);
        }
        return finishReframe(run);
    }
    if (!forUpload && startReframe())
        return true;
    dropReframe();
    m_copyStale = false;
    const QSize screen(m_profile.wallpaperWidth, m_profile.wallpaperHeight);
    const QString output = convertedPicturePath(m_startDir, m_outputExt);
    Conversion outcome = Conversion::CannotWrite;
    if (!m_startDir.isEmpty()) {
        WindowWait wait(*this, busyControls(), m_wait, m_presenter, kStopConverting);
        outcome = framePhoneCopy(workingCopyPath(output), output, screen, m_frameView, converterCall(&wait));
    }
    if (outcome == Conversion::Converted)
        return true;
    forgetPick();
    m_presenter.messageBox(conversionFailureText(outcome, m_converterTimeLimit));
    return false;
}

bool CWallpaperDlg::startReframe()
{
    dropReframe();
    if (m_startDir.isEmpty())
        return false;
    const QString output = convertedPicturePath(m_startDir, m_outputExt);
    const QString work = workingCopyPath(output);
    const QSize working = QImageReader(work, "ppm").size();
    const QString converter = converterPathFor(m_converterLookup);
    // What cannot start is left to the foreground conversion, which says why.
    if (working.isEmpty() || converter.isEmpty())
        return false;
    auto reframing = std::make_unique<Reframing>();
    reframing->view = m_frameView;
    reframing->next = reframedCopyPath(output);
    QFile::remove(reframing->next);
    const QSize screen(m_profile.wallpaperWidth, m_profile.wallpaperHeight);
    reframing->run = std::make_unique<hiddenprocess::HiddenRun>(
        converter, phoneCopyArguments(working, screen, m_frameView, reframing->next), m_startDir, work);
    QProcess *process = reframing->run->process();
    if (!process)
        return false;
    reframing->deadline = QDeadlineTimer(m_converterTimeLimit);
    reframing->number = ++m_reframeCount;
    // Queued: the run is ended and freed there, never inside its own signal.
    connect(
        process, &QProcess::finished, this,
        [this, number = reframing->number] {
            if (m_reframe && m_reframe->number == number && !m_reframe->waitedFor)
                finishReframe(m_reframe->run->wait(m_converterTimeLimit));
        },
        Qt::QueuedConnection);
    m_reframe = std::move(reframing);
    m_reframeLimit->start(m_converterTimeLimit);
    return true;
}

void CWallpaperDlg::dropReframe()
{
    m_reframeLimit->stop();
    if (!m_reframe)
        return;
    // Ending the run ends its process group, so nothing of it writes later.
    const QString next = m_reframe->next;
    m_reframe.reset();
    QFile::remove(next);
}

bool CWallpaperDlg::finishReframe(const hiddenprocess::RunResult &run)
{
    m_reframeLimit->stop();
    const std::unique_ptr<Reframing> done = std::move(m_reframe);
    const QSize screen(m_profile.wallpaperWidth, m_profile.wallpaperHeight);
    const QString output = convertedPicturePath(m_startDir, m_outputExt);
    Conversion outcome = phoneCopyOutcome(run, done->next, screen);
    // Only the latest framing ever reaches the copy; an older one's result
    // is dropped, and the newer framing's own conversion follows.
    const bool latest = done->view == m_frameView && m_copyStale;
    if (outcome == Conversion::Converted && latest) {
        if (std::rename(QFile::encodeName(done->next).constData(), QFile::encodeName(output).constData())
            == 0) {
            m_copyStale = false;
            return true;
        }
        outcome = Conversion::CannotWrite;
    }
    QFile::remove(done->next);
    if (!latest)
        return false;
    forgetPick();
    m_presenter.messageBox(conversionFailureText(outcome, m_converterTimeLimit));
    return false;
}

ConverterCall CWallpaperDlg::converterCall(Wait *wait) const
{
    return ConverterCall{converterPathFor(m_converterLookup), m_startDir, m_converterTimeLimit, wait};
}

QList<QWidget *> CWallpaperDlg::busyControls() const
{
    // The close button stays: while busy it asks to stop.
    return {m_browseButton, m_uploadButton, m_preview};
}

void CWallpaperDlg::forgetPick()
{
    // Upload must not send anything, and the preview shows nothing to send.
    m_picturePath.clear();
    m_pictureTitle.clear();
    m_suggested.reset();
    m_copyStale = false;
    dropReframe();
    m_preview->LoadImageFile(QString());
}

QPointF CWallpaperDlg::suggestedCentre()
{
    if (m_picturePath.isEmpty() || m_startDir.isEmpty())
        return QPointF(0.5, 0.5);
    if (!m_suggested) {
        const QString work = workingCopyPath(convertedPicturePath(m_startDir, m_outputExt));
        m_suggested = ::suggestedCentre(work, QSize(m_profile.wallpaperWidth, m_profile.wallpaperHeight));
        m_preview->setSuggestedCentre(*m_suggested);
    }
    return *m_suggested;
}

void CWallpaperDlg::chooseFraming(Framing framing)
{
    if (isBusy())
        return;
    applyView(startingView(framing, framing == Framing::Fill ? suggestedCentre() : QPointF(0.5, 0.5)));
}

void CWallpaperDlg::applyView(const FrameView &view)
{
    if (view.framing != m_frameView.framing)
        userSettings().setValue(QLatin1String(kFramingKey), framingName(view.framing));
    m_preview->setView(view);
    m_frameView = m_preview->view();
    m_copyStale = !m_picturePath.isEmpty();
    reframe();
}

void CWallpaperDlg::openFramingWindow()
{
    if (isBusy() || !m_preview->isShowing())
        return;
    auto *framing =
        new FramingDialog(m_preview->imagePath(), QSize(m_profile.wallpaperWidth, m_profile.wallpaperHeight),
                          m_frameView, suggestedCentre(), this);
    framing->setAttribute(Qt::WA_DeleteOnClose);
    framing->setObjectName(QStringLiteral("framingWindow"));
    const QSize remembered = userSettings().value(QLatin1String(kFramingWindowKey)).toSize();
    if (remembered.isValid())
        framing->resize(remembered);
    connect(framing, &QDialog::finished, this, [this, framing](int result) {
        userSettings().setValue(QLatin1String(kFramingWindowKey), framing->size());
        if (result == QDialog::Accepted && !isBusy() && !m_picturePath.isEmpty())
            applyView(framing->view());
    });
    framing->open();
}

void CWallpaperDlg::OnCloseButton()
{
    // While busy it asks to stop; the copies go with the private folder.
    if (m_wait)
        m_wait->askToStop();
    else
        QDialog::reject();
}

void CWallpaperDlg::closeEvent(QCloseEvent *event)
{
    // The window manager's close asks as the close button does.
    if (m_wait && !m_wait->isEnding()) {
        event->ignore();
        m_wait->askToStop();
        return;
    }
    QDialog::closeEvent(event);
}

void CWallpaperDlg::dragEnterEvent(QDragEnterEvent *event)
{
    // Refusing here is what makes the cursor say no, before anything the
    // user has is touched; Qt keeps the answer for the moves that follow.
    if (!isBusy() && isTakenPicture(droppedPicturePath(event->mimeData(), m_startDir)))
        event->acceptProposedAction();
    else
        event->ignore();
}

void CWallpaperDlg::dropEvent(QDropEvent *event)
{
    const QString picture = droppedPicturePath(event->mimeData(), m_startDir);
    if (picture.isEmpty()) {
        event->ignore();
        return;
    }
    if (!isTakenPicture(picture)) {
        // It changed since it was dragged in: the pick and its framing stay.
        event->ignore();
        QMetaObject::invokeMethod(
            this, [this] { m_presenter.messageBox(QLatin1String(kNotAPictureText)); }, Qt::QueuedConnection);
        return;
    }
    event->acceptProposedAction();
    // The drag source waits for the drop to end; the conversion comes after.
    QMetaObject::invokeMethod(
        this,
        [this, picture] {
            if (!isBusy())
                browseTo(picture);
        },
        Qt::QueuedConnection);
}

void CWallpaperDlg::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (m_wait) {
        // Busy: only Esc counts, and a held one asks once.
        if (event->key() == Qt::Key_Escape && !modifiers && !event->isAutoRepeat() && !m_wait->isEnding())
            m_wait->askToStop();
        return;
    }
    if (!modifiers && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
        // Enter presses the focused button, as it does a dialog's push
        // buttons; with nothing focused it ends the window as OK would.
        // On the preview it frames the picture larger, never ends the window.
        if (focusWidget() == m_preview) {
            openFramingWindow();
            return;
        }
        QAbstractButton *focused = qobject_cast<QAbstractButton *>(focusWidget());
        if (focused && (focused == m_browseButton || focused == m_uploadButton || focused == m_closeButton))
            focused->click();
        else
            accept();
        return;
    }
    if (modifiers == Qt::ShiftModifier && event->key() == Qt::Key_F10) {
        // The other key for the context menu, where Qt only knows the Menu key.
        const QWidget *at = focusWidget() ? focusWidget() : this;
        const QPoint centre = at->rect().center();
        QContextMenuEvent menuEvent(QContextMenuEvent::Keyboard, at->mapTo(this, centre),
                                    at->mapToGlobal(centre));
        contextMenuEvent(&menuEvent);
        return;
    }
    QDialog::keyPressEvent(event);
}

void CWallpaperDlg::mousePressEvent(QMouseEvent *event)
{
    // Presses on the enabled buttons and the preview never reach here; a
    // press on a control disabled while busy does, and is dropped.
    if (event->button() == Qt::LeftButton && !childAt(event->position().toPoint())) {
        if (windowHandle() && windowHandle()->startSystemMove()) {
            event->accept();
            return;
        }
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
        event->accept();
        return;
    }
    QDialog::mousePressEvent(event);
}

void CWallpaperDlg::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton)) {
        move(event->globalPosition().toPoint() - m_dragOffset);
        event->accept();
        return;
    }
    QDialog::mouseMoveEvent(event);
}

void CWallpaperDlg::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_dragging = false;
    QDialog::mouseReleaseEvent(event);
}

void CWallpaperDlg::contextMenuEvent(QContextMenuEvent *event)
{
    // A frameless window has no system menu of its own; this one stands in
    // for it: the framing of the picture, then About and the links of
    // earlier uploads.
    if (isBusy())
        return;
    QMenu menu(this);
    QActionGroup framings(&menu);
    const std::pair<Framing, QString> choices[] = {
        {Framing::Fill, QStringLiteral("&Fill the screen")},
        {Framing::Fit, QStringLiteral("Show the &whole picture")},
        {Framing::Stretch, QStringLiteral("&Stretch to the screen")},
        {Framing::Blur, QStringLiteral("Show the whole picture on a &blurred background")}};
    for (const auto &[framing, text] : choices) {
        QAction *action = menu.addAction(text);
        action->setCheckable(true);
        action->setChecked(framing == m_frameView.framing);
        action->setData(int(framing));
        framings.addAction(action);
    }
    QAction *frameAction = menu.addAction(QStringLiteral("Frame the picture\u2026"));
    frameAction->setEnabled(m_preview->isShowing() && !isBusy());
    menu.addSeparator();
    QAction *aboutAction = menu.addAction(QStringLiteral("&About Pictovane..."));
    QAction *recentAction = menu.addAction(QStringLiteral("&Recent Uploads\u2026"));
    recentAction->setEnabled(m_history && !m_history->entries().isEmpty());
    // Opened from the keyboard, its first item is selected, ready for Enter.
    if (event->reason() == QContextMenuEvent::Keyboard) {
        QAction *first = menu.actions().constFirst();
        QMetaObject::invokeMethod(
            &menu, [&menu, first] { menu.setActiveAction(first); }, Qt::QueuedConnection);
    }
    QAction *chosen = menu.exec(event->globalPos());
    if (!chosen)
        return;
    if (chosen == aboutAction)
        m_presenter.aboutBox();
    else if (chosen == frameAction)
        openFramingWindow();
    else if (chosen == recentAction) {
        if (!isBusy())
            m_presenter.recentUploads(*m_history);
    } else
        chooseFraming(Framing(chosen->data().toInt()));
}
