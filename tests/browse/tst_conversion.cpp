// The phone's copy as ImageMagick really writes it, against ImageMagick's own
// one-step reference on the same file: every picture shape, framing and
// phone format, every orientation tag, fine detail, every input format.
#include "core/app/attention.h"
#include "core/app/converter.h"
#include "core/platform/hiddenprocess.h"
#include "lacking.h"

#include "photo.h"
#include "pictures.h"
#include "testfiles.h"

#include <QDir>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

const QSize kPhone(128, 160);

hiddenprocess::RunResult runToTheEnd(const QString &program, const QStringList &arguments,
                                     const QString &folder, const QString &input)
{
    hiddenprocess::HiddenRun run(program, arguments, folder, input);
    return run.wait(std::chrono::milliseconds(-1));
}

// Both steps of Browse with the real converter, framed as `view` says; the
// copy, or a null picture.
QImage convertForPhone(const QString &picture, const QString &folder, const QString &ext,
                       const FrameView &view, const QSize &screen = kPhone)
{
    const QString out = QDir(folder).filePath(QStringLiteral("a.") + ext);
    const QString work = workingCopyPath(out);
    const ConverterCall converter{imageMagick(), folder, std::chrono::milliseconds(-1)};
    const bool ok = makeWorkingCopy(picture, work, screen, converter) == Conversion::Converted
                    && framePhoneCopy(work, out, screen, view, converter) == Conversion::Converted;
    return ok ? QImage(out) : QImage();
}

// Quarters in four colours and a mark off the middle, so a turn, a mirror
// or a misplaced cut shows.
QImage marked(const QSize &size)
{
    QImage image = paintPhoto(size.width(), size.height());
    QPainter p(&image);
    const int w = size.width(), h = size.height();
    p.fillRect(0, 0, w / 2, h / 2, QColor(220, 40, 40));
    p.fillRect(w / 2, 0, w - w / 2, h / 2, QColor(40, 200, 60));
    p.fillRect(0, h / 2, w / 2, h - h / 2, QColor(40, 60, 220));
    p.setBrush(QColor(250, 250, 250));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QRectF(w * 0.55, h * 0.6, w * 0.2, h * 0.15));
    return image;
}

QStringList referenceFor(Framing framing, const QSize &screen)
{
    const QString size = QStringLiteral("%1x%2").arg(screen.width()).arg(screen.height());
    switch (framing) {
    case Framing::Fill:
        return {"-auto-orient", "-resize", size + "^", "-gravity", "center", "-extent", size};
    case Framing::Fit:
        return {"-auto-orient", "-resize", size,      "-background", "black",
                "-gravity",     "center",  "-extent", size};
    case Framing::Stretch:
        return {"-auto-orient", "-resize", size + "!"};
    case Framing::Blur: // its backdrop has no one-step reference; blurredFit() checks it
        break;
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(Framing)

class ConversionTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void copyMatchesImageMagick_data();
    void copyMatchesImageMagick();
    void everyOrientationComesUpright_data();
    void everyOrientationComesUpright();
    void fineDetailTurnsGrey();
    void everyFormatIsTaken_data();
    void everyFormatIsTaken();
    void reducedDecodeKeepsTheCopy();
    void garbageCountsAsFailure_data();
    void garbageCountsAsFailure();
    void fillStartsOnTheSubject_data();
    void fillStartsOnTheSubject();
    void blurredFit();
    void jpegCopyIsLight();
};

void ConversionTest::init()
{
    if (imageMagick().isEmpty())
        SKIP_LACKING("ImageMagick is not installed");
}

void ConversionTest::copyMatchesImageMagick_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<Framing>("framing");
    QTest::addColumn<QString>("ext");
    const std::pair<const char *, QSize> shapes[] = {{"landscape", QSize(800, 600)},
                                                     {"portrait", QSize(600, 800)},
                                                     {"square", QSize(600, 600)},
                                                     {"tiny", QSize(10, 10)}};
    for (const auto &[shape, size] : shapes)
        for (Framing framing : {Framing::Fill, Framing::Fit, Framing::Stretch})
            for (const char *ext : {"gif", "jpg", "bmp"})
                QTest::addRow("%s, %s, %s", shape, qPrintable(framingName(framing)), ext)
                    << size << framing << QString::fromLatin1(ext);
}

void ConversionTest::copyMatchesImageMagick()
{
    QFETCH(QSize, picture);
    QFETCH(Framing, framing);
    QFETCH(QString, ext);
    QTemporaryDir tmp;
    const QString photo = writeFile(tmp.filePath("photo.jpg"), encodedPicture(marked(picture), "JPG"));

    const QImage copy = convertForPhone(photo, tmp.path(), ext, FrameView{framing});
    QCOMPARE(copy.size(), kPhone);

    const QString reference = tmp.filePath("reference.bmp");
    runMagick(QStringList{photo} + referenceFor(framing, kPhone) + QStringList{reference});
    const double difference = meanDifference(copy, QImage(reference));
    // Filters and the GIF palette differ a little; a misplaced cut by more.
    QVERIFY2(difference >= 0 && difference < (picture.width() < 20 ? 6 : 4),
             qPrintable(QString::number(difference)));
}

void ConversionTest::everyOrientationComesUpright_data()
{
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QTransform>("stored"); // turns the upright picture into the stored one
    QTest::newRow("1 as stored") << 1 << QTransform();
    QTest::newRow("2 mirrored") << 2 << QTransform(-1, 0, 0, 1, 0, 0);
    QTest::newRow("3 upside down") << 3 << QTransform().rotate(180);
    QTest::newRow("4 flipped") << 4 << QTransform(1, 0, 0, -1, 0, 0);
    QTest::newRow("5 transposed") << 5 << QTransform(0, 1, 1, 0, 0, 0);
    QTest::newRow("6 turned left (a phone held upright)") << 6 << QTransform().rotate(-90);
    QTest::newRow("7 transversed") << 7 << QTransform(0, -1, -1, 0, 0, 0);
    QTest::newRow("8 turned right") << 8 << QTransform().rotate(90);
}

void ConversionTest::everyOrientationComesUpright()
{
    QFETCH(int, orientation);
    QFETCH(QTransform, stored);
    QTemporaryDir tmp;
    const QImage upright = marked(QSize(960, 1280));
    const QByteArray jpeg = encodedPicture(upright.transformed(stored), "JPG");
    const QString photo = writeFile(tmp.filePath("photo.jpg"), withOrientation(jpeg, quint16(orientation)));

    const QImage copy =
        convertForPhone(photo, tmp.path(), QStringLiteral("bmp"), FrameView{Framing::Stretch});
    const double difference =
        meanDifference(copy, upright.scaled(kPhone, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    QVERIFY2(difference >= 0 && difference < 4, qPrintable(QString::number(difference)));
}

void ConversionTest::fineDetailTurnsGrey()
{
    // Rings from 0.2 to 0.45 cycles per pixel, ten times finer than the
    // phone's pixels can hold: a filtered shrink leaves a flat grey, a
    // sample of one pixel in ten leaves rings of its own (moiré).
    QTemporaryDir tmp;
    const int side = 1280;
    QImage plate(side, side, QImage::Format_RGB32);
    const double reach = side * std::sqrt(2.0);
    for (int y = 0; y < side; ++y) {
        auto *line = reinterpret_cast<QRgb *>(plate.scanLine(y));
        for (int x = 0; x < side; ++x) {
            const double r = std::hypot(x, y);
            const double phase = 2 * M_PI * (0.2 * r + 0.25 * r * r / (2 * reach));
            const int v = int(std::lround(127.5 + 127.5 * std::cos(phase)));
            line[x] = qRgb(v, v, v);
        }
    }
    const QString picture = writeFile(tmp.filePath("plate.png"), encodedPicture(plate, "PNG"));

    const QImage copy = convertForPhone(picture, tmp.path(), QStringLiteral("bmp"), FrameView{});
    QCOMPARE(copy.size(), kPhone);
    double sum = 0, squares = 0;
    for (int y = 0; y < copy.height(); ++y) {
        for (int x = 0; x < copy.width(); ++x) {
            const int v = qGray(copy.pixel(x, y));
            sum += v;
            squares += double(v) * v;
        }
    }
    const double n = double(copy.width()) * copy.height();
    const double deviation = std::sqrt(squares / n - (sum / n) * (sum / n));
    QVERIFY2(qAbs(sum / n - 127.5) < 12, qPrintable(QString::number(sum / n)));
    QVERIFY2(deviation < 8, qPrintable(QString::number(deviation)));
}

void ConversionTest::everyFormatIsTaken_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("PNG") << "picture.png";
    QTest::newRow("WebP") << "picture.webp";
    QTest::newRow("HEIC") << "picture.heic";
    QTest::newRow("AVIF") << "picture.avif";
    QTest::newRow("TIFF") << "picture.tiff";
    QTest::newRow("GIF, animated: its first frame") << "picture.gif";
    QTest::newRow("JPEG named .JPEG") << "picture.JPEG";
    QTest::newRow("PNG named .jpg") << "png:picture.jpg";
}

void ConversionTest::everyFormatIsTaken()
{
    QFETCH(QString, name);
    QTemporaryDir tmp;
    // Left half red, right half blue.
    const QString png = tmp.filePath("source.png");
    QImage halves(320, 240, QImage::Format_RGB32);
    halves.fill(QColor(30, 60, 220));
    QPainter(&halves).fillRect(0, 0, 160, 240, QColor(220, 40, 30));
    writeFile(png, encodedPicture(halves, "PNG"));
    const QString target = tmp.filePath(name.section(QLatin1Char(':'), -1));
    QStringList arguments{png};
    if (name.endsWith(QLatin1String(".gif"))) // a second frame in another colour
        arguments << "("
                  << "-size"
                  << "320x240"
                  << "xc:lime"
                  << ")";
    runMagick(arguments << (name.contains(QLatin1Char(':'))
                                ? name.section(QLatin1Char(':'), 0, 0) + ":" + target
                                : target));
    QVERIFY(!converterInputFor(pictureHeadOf(target)).isEmpty());

    const QImage copy =
        convertForPhone(target, tmp.path(), QStringLiteral("bmp"), FrameView{Framing::Stretch});
    QCOMPARE(copy.size(), kPhone);
    const QColor left = copy.pixelColor(20, 80), right = copy.pixelColor(108, 80);
    QVERIFY2(left.red() > 150 && left.blue() < 100, qPrintable(left.name()));
    QVERIFY2(right.blue() > 150 && right.red() < 100, qPrintable(right.name()));
}

void ConversionTest::reducedDecodeKeepsTheCopy()
{
    // A photo large enough for libjpeg to decode it at a quarter: the copy
    // is the same as from the full decode.
    QTemporaryDir tmp;
    const QString photo =
        writeFile(tmp.filePath("photo.jpg"), encodedPicture(marked(QSize(4000, 3000)), "JPG", 90));
    const PictureFacts facts = pictureFactsOf(photo);
    const QString reduced = tmp.filePath("reduced.ppm"), full = tmp.filePath("full.ppm");
    QStringList arguments = workingCopyArguments(facts, kPhone, reduced);
    QVERIFY(arguments.contains("-define"));
    QVERIFY(runToTheEnd(imageMagick(), arguments, tmp.path(), photo).succeeded());
    arguments = workingCopyArguments(facts, kPhone, full);
    arguments.remove(arguments.indexOf("-define"), 2);
    QVERIFY(runToTheEnd(imageMagick(), arguments, tmp.path(), photo).succeeded());
    const double difference = meanDifference(QImage(reduced), QImage(full));
    QVERIFY2(difference >= 0 && difference < 2, qPrintable(QString::number(difference)));
}

void ConversionTest::garbageCountsAsFailure_data()
{
    QTest::addColumn<QByteArray>("script"); // what the converter leaves at $out; it exits 0
    QTest::newRow("text") << QByteArray("echo garbage > \"$out\"");
    QTest::newRow("a GIF of the wrong size")
        << QByteArray("printf 'GIF89a\\001\\000\\001\\000\\000\\000\\000;' > \"$out\"");
    QTest::newRow("a PNG named a.gif") << QByteArray("cat \"$png\" > \"$out\"");
    QTest::newRow("a GIF cut short") << QByteArray("head -c 40 \"$gif\" > \"$out\"");
}

void ConversionTest::garbageCountsAsFailure()
{
    QFETCH(QByteArray, script);
    QTemporaryDir tmp;
    const QString photo =
        writeFile(tmp.filePath("photo.jpg"), encodedPicture(marked(QSize(320, 240)), "JPG"));
    const QString png = writeFile(tmp.filePath("right.png"), encodedPicture(marked(kPhone), "PNG"));
    const QString gif = tmp.filePath("right.gif");
    runMagick({png, gif});
    const QString converter = writeProgram(
        tmp.filePath("fake"), "#!/bin/sh\nfor out; do :; done\nout=${out#*:}\n"
                              "png='"
                                  + png.toUtf8() + "'\ngif='" + gif.toUtf8() + "'\n" + script + "\nexit 0\n");
    const QString out = tmp.filePath("a.gif");
    const auto call = [&](const QString &program) {
        return ConverterCall{program, tmp.path(), std::chrono::milliseconds(-1)};
    };
    QCOMPARE(makeWorkingCopy(photo, workingCopyPath(out), kPhone, call(imageMagick())),
             Conversion::Converted);
    QCOMPARE(framePhoneCopy(workingCopyPath(out), out, kPhone, FrameView{}, call(converter)),
             Conversion::Unreadable);
    QVERIFY(!QFile::exists(out));
}

void ConversionTest::fillStartsOnTheSubject_data()
{
    QTest::addColumn<bool>("subject");
    QTest::addColumn<QPointF>("centre"); // of the picture, roughly
    QTest::newRow("a red disc near the right edge") << true << QPointF(0.88, 0.5);
    QTest::newRow("nothing interesting: centred") << false << QPointF(0.5, 0.5);
}

// As the upload without a window frames it: Fill starts on the suggestion.
void ConversionTest::fillStartsOnTheSubject()
{
    QFETCH(bool, subject);
    QFETCH(QPointF, centre);
    QTemporaryDir tmp;
    const QString photo = writeFile(tmp.filePath("photo.jpg"), encodedPicture(paintSubject(subject), "JPG"));
    const QString out = tmp.filePath("a.bmp");
    QCOMPARE(convertPictureForPhone(photo, out, kPhone.width(), kPhone.height(), Framing::Fill,
                                    ConverterCall{imageMagick(), tmp.path(), std::chrono::milliseconds(-1)}),
             Conversion::Converted);
    const QPointF suggested = suggestedCentre(workingCopyPath(out), kPhone);
    QVERIFY2(qAbs(suggested.x() - centre.x()) < 0.06 && qAbs(suggested.y() - centre.y()) < 0.06,
             qPrintable(QStringLiteral("%1, %2").arg(suggested.x()).arg(suggested.y())));
    // The disc is some 800 of the copy's pixels; centred, none of it shows.
    const int shown = subjectPixels(QImage(out));
    QVERIFY2(subject ? shown > 700 : shown == 0, qPrintable(QString::number(shown)));
    if (!subject) {
        const QString reference = tmp.filePath("reference.bmp");
        runMagick(QStringList{photo} + referenceFor(Framing::Fill, kPhone) + QStringList{reference});
        QVERIFY(meanDifference(QImage(out), QImage(reference)) < 4);
    }
}

void ConversionTest::blurredFit()
{
    // A landscape photo on a portrait phone: bands above and below.
    QTemporaryDir tmp;
    const QString photo =
        writeFile(tmp.filePath("photo.jpg"), encodedPicture(marked(QSize(800, 600)), "JPG"));
    const QImage blurred =
        convertForPhone(photo, tmp.path(), QStringLiteral("bmp"), FrameView{Framing::Blur});
    const QImage fit = convertForPhone(photo, tmp.path(), QStringLiteral("bmp"), FrameView{Framing::Fit});
    QCOMPARE(blurred.size(), kPhone);
    // Fit's picture covers rows 32 to 127.
    QVERIFY(meanDifference(blurred.copy(0, 34, 128, 92), fit.copy(0, 34, 128, 92)) < 1.5);
    for (const QRect &band : {QRect(0, 0, 128, 30), QRect(0, 130, 128, 30)}) {
        double sum = 0, squares = 0;
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x) {
                const int v = qGray(blurred.pixel(x, y));
                sum += v;
                squares += double(v) * v;
            }
        const double n = double(band.width()) * band.height(), mean = sum / n;
        const double deviation = std::sqrt(squares / n - mean * mean);
        QVERIFY2(mean > 30, qPrintable(QString::number(mean)));          // not black
        QVERIFY2(deviation > 3, qPrintable(QString::number(deviation))); // not flat
        QCOMPARE(QColor(fit.pixel(band.center())), QColor(Qt::black));
    }
}

void ConversionTest::jpegCopyIsLight()
{
    // A camera's photo with its EXIF block: none of it reaches the phone.
    QTemporaryDir tmp;
    const QString photo = writeFile(tmp.filePath("photo.jpg"),
                                    withOrientation(encodedPicture(marked(QSize(800, 600)), "JPG"), 1));
    QVERIFY(!convertForPhone(photo, tmp.path(), QStringLiteral("jpg"), FrameView{}).isNull());
    QProcess identify;
    identify.start(QStandardPaths::findExecutable(QStringLiteral("identify")),
                   {QStringLiteral("-verbose"), tmp.filePath("a.jpg")});
    QVERIFY(identify.waitForFinished(-1) && identify.exitCode() == 0);
    const QString verbose = QString::fromUtf8(identify.readAllStandardOutput());
    QVERIFY2(verbose.contains(QLatin1String("Interlace: None")), qPrintable(verbose));
    QVERIFY2(verbose.contains(QLatin1String("jpeg:sampling-factor: 2x2,1x1,1x1")), qPrintable(verbose));
    QVERIFY2(verbose.contains(QLatin1String("Quality: 88")), qPrintable(verbose));
    for (const char *metadata : {"exif:", "Profiles:", "comment:"})
        QVERIFY2(!verbose.contains(QLatin1String(metadata)), metadata);
}

QTEST_GUILESS_MAIN(ConversionTest)
#include "tst_conversion.moc"
