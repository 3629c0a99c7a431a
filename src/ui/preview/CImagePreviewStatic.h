// The preview box: shows the phone's screen, at the phone's shape and
// centred in a sunken frame, with the picture framed on it exactly as the
// converter cuts it. In Fill the user moves the picture under the screen
// (drag, arrow keys), zooms it (wheel, + and -) and puts it back on the
// suggested framing (double-click, 0); the owner hears of each change and
// converts again.
#pragma once

#include "core/app/framing.h"
#include "core/skin/skinstate.h"

#include <QFrame>
#include <QImage>
#include <QPointF>
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
    // The picture's size in the file, before any reduced decode.
    QSize pictureSize() const { return m_pictureSize; }

    // The phone's screen in its own pixels; until it is set, or when empty,
    // the screen is the whole inside of the box.
    void setScreenSize(const QSize &screen);
    // Where the phone's screen is drawn, in the box's coordinates.
    QRect screenRect() const;

    void setView(const FrameView &view);
    const FrameView &view() const { return m_view; }
    // Where Fill starts for this picture (see attention.h), and where 0 and
    // a double-click bring it back; the middle until set.
    void setSuggestedCentre(QPointF centre) { m_suggested = centre; }
    QPointF suggestedCentre() const { return m_suggested; }
    // True while the left button drags the picture.
    bool isDragging() const { return m_dragging; }
    // What the box offers, in one line: its tooltip, and the start of what
    // assistive technology is told before the framing itself.
    void setHint(const QString &hint);

signals:
    // The user moved, zoomed or centred the picture.
    void viewChanged(const FrameView &view);
    // A drag has ended: the picture stays where it was let go.
    void viewSettled();

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    QImage decode(const QString &path);
    // The screen's size in phone pixels, as frameRects() takes it.
    QSize phoneScreen() const;
    // From the box's coordinates to the phone's screen pixels.
    QPointF toScreen(QPointF boxPoint) const;
    void changeView(const FrameView &view);
    void describe();
    // Blur's backdrop, blurred and darkened once per picture and screen.
    const QImage &backdrop(const QSize &phone);

    QString m_szImagePath;
    QImage m_image;
    QSize m_pictureSize;
    QString m_hint;
    // The screen, in device pixels, the picture was decoded for.
    QSize m_decodedFor;
    // The screen density the picture was decoded for.
    qreal m_decodedRatio = 1;
    // Set by InitGraphics: the box is its own drawing surface from then on.
    bool m_graphicsReady = false;

    QSize m_screen;
    FrameView m_view;
    QPointF m_suggested{0.5, 0.5};
    QImage m_backdrop;
    QSize m_backdropFor;
    // The picture reduced for the current zoom, so a pan draws it 1:1
    // instead of filtering the whole picture each frame.
    QImage m_display;
    QSize m_displayFor;
    bool m_dragging = false;
    QPointF m_dragFrom;
    FocusCue m_focusCue;
};
