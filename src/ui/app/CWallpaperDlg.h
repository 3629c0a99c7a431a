// The main window: a caption-less, topmost picture of a phone with Browse,
// Upload and close buttons, a progress bar and the preview box.
#pragma once

#include "core/app/PhoneProfile.h"
#include "core/app/converter.h"
#include "core/app/framing.h"
#include "core/platform/hiddenprocess.h"
#include "core/upload/uploadandreport.h"

#include <QByteArray>
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

class Presenter;
class PrivateFolder;
class ProfileStore;
class CImagePreviewStatic;
class QAbstractButton;
class QProgressBar;
class QSettings;
class QTimer;
class UploadHistory;
class WindowWait;

namespace Ui {
class CWallpaperDlg;
}

class CWallpaperDlg : public QDialog
{
    Q_OBJECT

public:
    // One upload, and the window's wait for the job to live through.
    using UploadJobFn = std::function<UploadReport(const UploadRequest &request, Wait *wait)>;

    CWallpaperDlg(Presenter &presenter, std::unique_ptr<ProfileStore> profileStore,
                  QWidget *parent = nullptr);
    ~CWallpaperDlg() override;

    // Initialises, then runs the window modally unless initialisation ended
    // it already.
    int DoModal();
    void OnInitDialog();

    void OnUpload();
    void OnBrowse();
    // Browse without its file dialog: `picturePath` is taken as the picked
    // file. What a picture given at start-up or dropped on the window gets.
    void browseTo(const QString &picturePath);
    // A picture to take as soon as the window's modal loop runs, its name as
    // the file system's bytes.
    void setStartPicture(const QByteArray &fileName) { m_startPicture = fileName; }
    // The framing of this run, given on the command line: it wins over the
    // remembered one and is not remembered itself.
    void setStartFraming(Framing framing) { m_startFraming = framing; }
    // The context menu's choice: remembered for the next start, and the
    // chosen picture converted again in the new framing.
    void chooseFraming(Framing framing);
    const FrameView &frameView() const { return m_frameView; }
    // Has the chosen picture converted again as it is framed now, if the
    // copy on disk holds another framing: in the background, the window
    // taking input meanwhile, or, for Upload, to the end while the window
    // waits. False when there is no pick, the window is busy, or the
    // conversion failed (the pick is then forgotten, as after a failed
    // Browse).
    bool reframe(bool forUpload = false);
    // True while a change of framing is converted in the background.
    bool isReframing() const { return m_reframe != nullptr; }
    // The framing window, over this one; nothing without a picture.
    void openFramingWindow();
    // Where Fill starts for the pick (see attention.h): measured once, when
    // first needed; the middle without a pick.
    QPointF suggestedCentre();
    // Where the user's own choices live; by default the user's settings.
    void setUserSettings(std::unique_ptr<QSettings> settings);
    // True while Upload or the converter runs.
    bool isBusy() const { return m_wait != nullptr; }
    void OnCloseButton();

    const QString &startDir() const { return m_startDir; }
    const QString &picturePath() const { return m_picturePath; }
    const QString &pictureTitle() const { return m_pictureTitle; }

    // Test seams: the clock that seeds upload names, what ends the process
    // when the phone takes no wallpapers, and the upload job itself.
    void setClock(std::function<std::uint32_t()> clock) { m_clock = std::move(clock); }
    void setExitProcess(std::function<void(int)> exitProcess) { m_exitProcess = std::move(exitProcess); }
    void setUploadJob(UploadJobFn job) { m_uploadJob = std::move(job); }
    // The links of earlier uploads, behind the menu's "Recent Uploads…";
    // not owned. Without one the item stays disabled.
    void setUploadHistory(const UploadHistory *history) { m_history = history; }
    // How long the converter may run before it is killed.
    void setConverterTimeLimit(std::chrono::milliseconds limit) { m_converterTimeLimit = limit; }

    static constexpr std::chrono::milliseconds kConverterTimeLimit = ::kConverterTimeLimit;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Browse after its file dialog said OK: the chosen picture, its preview
    // and its conversion.
    void choosePicture(const QString &picturePath);
    void FitButtonToBitmap(const QImage &bitmap, QAbstractButton *button);
    void refreshProgress();
    ConverterCall converterCall(Wait *wait) const;
    // What is disabled while the window waits.
    QList<QWidget *> busyControls() const;
    void forgetPick();
    // The framing the preview shows, from the framing window or the menu.
    void applyView(const FrameView &view);
    bool startReframe();
    void dropReframe();
    bool finishReframe(const hiddenprocess::RunResult &run);
    QSettings &userSettings();
    void endDuringInit();
    void centreOnScreen();

    std::unique_ptr<Ui::CWallpaperDlg> m_ui;
    Presenter &m_presenter;
    std::unique_ptr<ProfileStore> m_profileStore;
    const UploadHistory *m_history = nullptr;

    // This instance's own folder for the converted copies; m_startDir is
    // its path (empty when it could not be made).
    std::unique_ptr<PrivateFolder> m_workFolder;
    QString m_startDir;
    ConverterLookup m_converterLookup;
    QString m_picturePath;
    QString m_pictureTitle;
    QString m_outputExt;
    QByteArray m_startPicture;
    PhoneProfile m_profile{};

    QProgressBar *m_progress = nullptr;
    CImagePreviewStatic *m_preview = nullptr;
    QAbstractButton *m_browseButton = nullptr;
    QAbstractButton *m_uploadButton = nullptr;
    QAbstractButton *m_closeButton = nullptr;
    QImage m_browseBitmap;
    QImage m_uploadBitmap;
    QImage m_closeBitmap;

    bool m_initialised = false;
    bool m_endedDuringInit = false;
    // The wait of the command that runs, if one does (see windowwait.h).
    WindowWait *m_wait = nullptr;
    // Manual drag where the window system cannot move the window for us.
    bool m_dragging = false;
    QPoint m_dragOffset;

    // How the pick is framed; the copy on disk lags behind while stale.
    FrameView m_frameView;
    std::optional<Framing> m_startFraming;
    std::optional<QPointF> m_suggested;
    bool m_copyStale = false;
    // The background conversion of the latest framing, if one runs.
    struct Reframing;
    std::unique_ptr<Reframing> m_reframe;
    quint64 m_reframeCount = 0;
    QTimer *m_reframeLimit = nullptr;
    // Converts again once the wheel or the keys have rested a moment.
    QTimer *m_reframeTimer = nullptr;
    std::unique_ptr<QSettings> m_userSettings;

    std::function<std::uint32_t()> m_clock;
    std::function<void(int)> m_exitProcess;
    UploadJobFn m_uploadJob;
    std::chrono::milliseconds m_converterTimeLimit = kConverterTimeLimit;
};
