// The preview box: shows the picked picture, the whole of it stretched over
// the whole inside of a sunken frame, with no regard for its aspect ratio.
#pragma once

#include <QFrame>
#include <QImage>
#include <QString>

class CImagePreviewStatic : public QFrame
{
    Q_OBJECT

public:
    // Refuse pictures larger than this before decoding anything: a lying
    // header must not make us allocate gigabytes. A 200-megapixel phone
    // camera still fits.
    static constexpr qint64 kMaxPixels = 200'000'000;

    explicit CImagePreviewStatic(QWidget *parent = nullptr);

    // Makes the box ready to draw, with no picture. Called once by the owner
    // after its controls are in place; until then nothing is drawn.
    bool InitGraphics();

    // Reads `path` anew (even when it is the path already shown), releasing
    // the picture held before. A path that cannot be decoded, one that is not
    // a regular file (never opened), or the empty path, leaves the box blank.
    // Nothing is reported to the caller.
    void LoadImageFile(const QString &path);

    const QString &imagePath() const { return m_szImagePath; }
    // True when there is a picture to draw.
    bool isShowing() const;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QImage decode(const QString &path);

    QString m_szImagePath;
    QImage m_image;
    // The screen density the picture was decoded for.
    qreal m_decodedRatio = 1;
    // Set by InitGraphics: the box is its own drawing surface from then on.
    bool m_graphicsReady = false;
};
