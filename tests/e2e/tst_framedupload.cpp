// A user frames a sideways-stored phone photo with the real mouse and sends
// it: what reaches the server is the picture the preview shows, upright.
#include "captureserver.h"
#include "lacking.h"
#include "photo.h"
#include "pictures.h"
#include "ui/preview/CImagePreviewStatic.h"
#include "uploadsession.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>

#include <cmath>

namespace {

// The file part of a multipart body, without its head.
QByteArray uploadedFile(const QByteArray &body)
{
    const QByteArray boundary = body.left(body.indexOf("\r\n"));
    const qsizetype head = body.indexOf("filename=\"");
    const qsizetype start = head < 0 ? -1 : body.indexOf("\r\n\r\n", head);
    const qsizetype end = start < 0 ? -1 : body.indexOf("\r\n" + boundary, start);
    return end < 0 ? QByteArray() : body.mid(start + 4, end - start - 4);
}

// Mean of one channel over a band of rows.
double meanOf(const QImage &image, int (*channel)(QRgb), int fromRow, int rows)
{
    double sum = 0;
    for (int y = fromRow; y < fromRow + rows; ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += channel(image.pixel(x, y));
    return sum / (rows * image.width());
}

} // namespace

class FramedUploadTest : public QObject
{
    Q_OBJECT

private slots:
    void uploadIsWhatThePreviewShows();
};

void FramedUploadTest::uploadIsWhatThePreviewShows()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        SKIP_LACKING("needs a real X display (run under xvfb-run)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        SKIP_LACKING("xdotool is not installed");
    if (imageMagick().isEmpty())
        SKIP_LACKING("ImageMagick is not installed");

    Session s;
    // Upright: red at the top, blue at the bottom, with a photo's detail;
    // stored turned a quarter, as a phone camera stores a portrait.
    QImage upright(600, 800, QImage::Format_RGB32);
    {
        QPainter p(&upright);
        QLinearGradient g(0, 0, 0, 800);
        g.setColorAt(0, QColor(220, 40, 40));
        g.setColorAt(1, QColor(40, 40, 220));
        p.fillRect(upright.rect(), g);
        p.setOpacity(0.4);
        p.drawImage(0, 0, paintPhoto(600, 800, 8));
    }
    s.presenter.nextFile =
        writeFile(s.pictures.filePath(QStringLiteral("portrait.jpg")),
                  withOrientation(encodedPicture(upright.transformed(QTransform().rotate(-90)), "JPG"), 6));
    s.dlg->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.dlg.get()));
    auto *preview = s.dlg->findChild<CImagePreviewStatic *>(QStringLiteral("preview2222"));
    const QString gif = QDir(s.dlg->startDir()).filePath(QStringLiteral("a.gif"));

    CaptureServer::Script script;
    script.reply = httpReply("success*L");
    script.deadline = std::chrono::seconds(60);
    CaptureServer server(std::move(script));
    useProxy(server.port());

    // Browse, three wheel notches, a drag down and to the left, Upload:
    // each given through the window system, as the user gives them.
    const auto at = [&](const char *name) {
        const auto *w = s.dlg->findChild<const QWidget *>(QLatin1String(name));
        const QPoint c = w->mapTo(s.dlg.get(), w->rect().center());
        return QStringLiteral("xdotool mousemove --window %1 %2 %3 ")
            .arg(s.dlg->winId())
            .arg(c.x())
            .arg(c.y());
    };
    const auto give = [](const QString &steps) {
        QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), steps}), 0);
    };
    // Where the time went, for a run that fails on a slow machine.
    QElapsedTimer clock;
    clock.start();
    const auto took = [&](const char *step) { qInfo("%s: %lld ms", step, clock.restart()); };
    give(at("button1007") + QStringLiteral("click 1"));
    QTRY_VERIFY2_WITH_TIMEOUT(preview->isShowing() && QFile::exists(gif),
                              qPrintable(s.presenter.boxes.join(u'|')), 30000);
    took("Browse");
    const QByteArray centred = readFile(gif);
    give(at("preview2222") + QStringLiteral("click 4 click 4 click 4"));
    QTRY_COMPARE(s.dlg->frameView().zoom, std::pow(1.25, 3));
    // The wheel rests and its framing is converted in the background.
    QTRY_VERIFY_WITH_TIMEOUT(readFile(gif) != centred, 30000);
    took("zoom");
    // Fill started on the suggestion, not necessarily the middle.
    const QPointF zoomed = s.dlg->frameView().centre;
    give(at("preview2222")
         + QStringLiteral("mousedown 1 mousemove_relative -- -6 6 mousemove_relative -- -6 6 "
                          "mousemove_relative -- -6 6 mouseup 1"));
    QTRY_VERIFY(!preview->isDragging() && s.dlg->frameView().centre.x() > zoomed.x()
                && s.dlg->frameView().centre.y() < zoomed.y());
    // Upload clicked at once waits for the drag's conversion and sends it.
    took("drag");
    give(at("button1008") + QStringLiteral("click 1"));
    QTRY_VERIFY2_WITH_TIMEOUT(!s.presenter.statusDialogs.isEmpty(), qPrintable(s.presenter.boxes.join(u'|')),
                              30000);
    took("upload");
    server.finish();
    QCOMPARE(s.presenter.statusDialogs, (QList<RecordingPresenter::Status>{{0, "L"}}));

    const QImage sent =
        QImage::fromData(uploadedFile(server.body()), "GIF").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(sent.size(), QSize(128, 160));
    // The preview's phone screen, and the sent copy scaled to its size: the
    // filters and the palette differ by about 1.5 per channel.
    s.dlg->findChild<QWidget *>(QStringLiteral("button1007"))->setFocus(); // no focus ring over it
    const QImage shown =
        preview->grab().toImage().copy(preview->screenRect()).convertToFormat(QImage::Format_RGB32);
    const double difference =
        meanDifference(shown, sent.scaled(shown.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QVERIFY2(difference >= 0 && difference < 3, qPrintable(QString::number(difference)));
    // Upright: red above blue, not beside it.
    QVERIFY(meanOf(sent, qRed, 0, 16) > meanOf(sent, qRed, 144, 16) + 20);
    QVERIFY(meanOf(sent, qBlue, 144, 16) > meanOf(sent, qBlue, 0, 16) + 20);
}

QTEST_MAIN(FramedUploadTest)
#include "tst_framedupload.moc"
