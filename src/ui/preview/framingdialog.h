// The framing window: the phone's screen as large as the screen allows, the
// four framings as visible choices, and the preview's own gestures. It
// works on a framing of its own; Done hands it back, Cancel leaves the one
// it opened with.
#pragma once

#include "core/app/framing.h"

#include <QDialog>
#include <QSize>

class CImagePreviewStatic;
class QButtonGroup;
class QScreen;

class FramingDialog : public QDialog
{
    Q_OBJECT

public:
    // `picturePath` is the upright working copy the main preview shows.
    // `suggested` is where Fill starts for it (see attention.h).
    FramingDialog(const QString &picturePath, const QSize &phoneScreen, const FrameView &view,
                  QPointF suggested, QWidget *parent);

    FrameView view() const;
    CImagePreviewStatic *preview() const { return m_preview; }

    // The size it opens with on `screen` when none is remembered: the
    // phone's screen 60 % of the screen's height, never more than 80 %.
    static QSize defaultSize(const QScreen &screen, const QSize &phoneScreen);
    // What the phone's screen may take of `screen` at most.
    static int maxPhoneHeight(const QScreen &screen);

private:
    CImagePreviewStatic *m_preview = nullptr;
    QButtonGroup *m_framings = nullptr;
};
