// How the status message is broken into lines and how much room the status
// dialog gives it. The decisions are plain functions; MessageTextLayout only
// applies the line breaks to the message's document.
#pragma once

#include <QList>
#include <QMargins>
#include <QPlainTextDocumentLayout>
#include <QRect>
#include <QSize>
#include <QStringView>

class QTextLayout;

// Whether a line may start at pos (0 < pos < text.size()): after blanks
// anywhere, and inside the link [linkStart, linkEnd) only after a run of its
// separators / ? & = - that lies past the scheme's "://", so the part the
// user types first is never left alone on a line.
bool messageMayBreakAt(QStringView text, int pos, int linkStart, int linkEnd);

// Where each line of one paragraph ends (one past its last character), for
// lines of the given width. advance[i] is the x of the caret before
// character i with the paragraph on one unbroken line (text.size() + 1
// entries). A run wider than a whole line is cut where the line is full.
QList<int> wrapMessageLines(QStringView text, const QList<qreal> &advance, qreal width, int linkStart,
                            int linkEnd);

// A plain text layout that breaks lines as above. The text itself is left
// untouched, so what is selected and copied is exactly what was set.
class MessageTextLayout : public QPlainTextDocumentLayout
{
public:
    explicit MessageTextLayout(QTextDocument *document);

    // The link's place in the document; a negative start means no link.
    void setLink(int position, int length);

    // The viewport height the whole text needs at the given viewport width,
    // document margins included, so no scroll bar is needed.
    int neededHeight(int viewportWidth);

    QRectF blockBoundingRect(const QTextBlock &block) const override;

protected:
    void documentChanged(int from, int charsRemoved, int charsAdded) override;

private:
    void layoutUnlaidBlocks();
    void layoutMessageBlock(const QTextBlock &block);
    // Lays a block's text out in lines of the given width; their height.
    qreal layoutLines(QTextLayout &layout, const QString &text, qreal width, qreal margin,
                      int blockStart) const;

    int m_linkStart = -1;
    int m_linkEnd = -1;
};

// The dialog's controls, in dialog coordinates.
struct StatusGeometry
{
    QSize dialog;
    QRect group;
    QRect message;
    QRect support;
    QRect faq;
    QRect ok;
    QRect cancel;
    QRect side; // what stands beside the message (the link's code); empty for none
    bool messageScrolls = false;
};

// What the texts need and what bounds the dialog.
struct StatusNeeds
{
    int message = 0; // heights at the controls' template widths
    int support = 0;
    int faq = 0;
    QMargins groupFrame; // from the group box's edge to its contents (title on top)
    int margin = 0;      // kept between the contents and the frame
    int maxHeight = 0;   // the tallest the dialog may grow
    QSize side;          // what stands beside the message, if anything
};

// The template laid out for the needs: the message grows first into the gap
// above the help texts, then the dialog grows by what is still missing, the
// help texts and buttons moving down with the group box in the template's
// order. When even maxHeight is not enough, the message keeps what fits and
// scrolls. Never smaller than the template. Something beside the message
// stands right of the texts, level with the message's top: the dialog and
// the group box widen by its width and a margin, Cancel keeping its place
// at the right, and grow down if it is taller than the texts.
StatusGeometry fitStatusLayout(const StatusGeometry &tmpl, const StatusNeeds &needs);
