// A link made easy to get onto the phone: its QR code to scan and a
// "Copy link" button. Shown beside the status message and in the recent
// uploads.
#pragma once

#include "core/upload/linkcode.h"

#include <QByteArray>
#include <QImage>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <chrono>

class QPushButton;

// The code drawn module by module at the screen's own density, never
// scaled, so every module is a whole number of device pixels. A QLabel with
// a picture, so assistive technology announces it as an image.
class LinkCodeView : public QLabel
{
    Q_OBJECT

public:
    explicit LinkCodeView(QWidget *parent = nullptr);

    void setCode(const LinkCode &code);
    const LinkCode &code() const { return m_code; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    LinkCode m_code;
    QImage m_image; // drawn for m_ratio
    qreal m_ratio = 0;
};

class LinkPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr std::chrono::milliseconds kCopiedTime{2000};

    explicit LinkPanel(QWidget *parent = nullptr);

    // The code (when the link gets one, else a line saying why not), the
    // button, and `note` under them; an empty link leaves the panel with
    // nothing to show but the note.
    void setLink(const QByteArray &link, const QString &note = QString());
    const QByteArray &link() const { return m_link; }
    bool hasCode() const { return !m_view->code().isNull(); }
    // Where the code would not fit: the button alone stays.
    void dropCode();

    // Exactly the link on the clipboard and the selection; the button reads
    // "Copied" for a moment.
    void copyLink();

private:
    QByteArray m_link;
    LinkCodeView *m_view;
    QPushButton *m_copy;
    QLabel *m_note;
    QTimer m_copied;
};
