#include "ui/status/messagelayout.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

bool isLinkSeparator(QChar c)
{
    return c == u'/' || c == u'?' || c == u'&' || c == u'=' || c == u'-';
}

// One past the "scheme://" the link starts with; linkStart when it has none.
int afterScheme(QStringView text, int linkStart, int linkEnd)
{
    int pos = linkStart;
    if (pos >= linkEnd || !text.at(pos).isLetter())
        return linkStart;
    while (pos < linkEnd
           && (text.at(pos).isLetterOrNumber() || text.at(pos) == u'+' || text.at(pos) == u'.'
               || text.at(pos) == u'-'))
        ++pos;
    if (text.mid(pos, std::min(3, linkEnd - pos)) != u"://")
        return linkStart;
    return pos + 3;
}

} // namespace

bool messageMayBreakAt(QStringView text, int pos, int linkStart, int linkEnd)
{
    if (pos <= 0 || pos >= text.size())
        return false;
    const QChar before = text.at(pos - 1);
    const QChar at = text.at(pos);
    if (before.isSpace())
        return !at.isSpace();
    if (pos <= linkStart || pos >= linkEnd || pos <= afterScheme(text, linkStart, linkEnd))
        return false;
    return isLinkSeparator(before) && !isLinkSeparator(at);
}

QList<int> wrapMessageLines(QStringView text, const QList<qreal> &advance, qreal width, int linkStart,
                            int linkEnd)
{
    constexpr qreal kSlack = 0.01;
    const int size = int(text.size());
    const auto widthOf = [&](int from, int to) {
        while (to > from && text.at(to - 1).isSpace())
            --to; // blanks at a line's end take no room
        return advance.at(to) - advance.at(from);
    };
    QList<int> ends;
    int from = 0;
    while (from < size) {
        int end = -1;
        for (int pos = from + 1; pos <= size; ++pos) {
            if (pos < size && !messageMayBreakAt(text, pos, linkStart, linkEnd))
                continue;
            if (widthOf(from, pos) > width + kSlack)
                break;
            end = pos;
        }
        if (end < 0) {
            // A run wider than the whole line: cut it where the line is full,
            // never inside a surrogate pair and never before one character.
            end = from + 1;
            while (end < size
                   && (text.at(end).isLowSurrogate()
                       || advance.at(end + 1) - advance.at(from) <= width + kSlack))
                ++end;
            while (end > from + 1 && end < size && text.at(end).isLowSurrogate())
                --end;
        }
        // A link that fits on a line of its own is not broken: the line ends
        // before it instead, so it can be read and typed in one piece.
        if (end > linkStart && end < linkEnd && linkStart > from
            && widthOf(linkStart, linkEnd) <= width + kSlack
            && messageMayBreakAt(text, linkStart, linkStart, linkEnd))
            end = linkStart;
        ends << end;
        from = end;
    }
    return ends;
}

MessageTextLayout::MessageTextLayout(QTextDocument *document) : QPlainTextDocumentLayout(document)
{
    // A new width clears every block's lines and announces it with update():
    // lay them out again at once, before anyone lays them out the plain way.
    connect(this, &QAbstractTextDocumentLayout::update, this, [this] { layoutUnlaidBlocks(); });
}

void MessageTextLayout::setLink(int position, int length)
{
    m_linkStart = position;
    m_linkEnd = position < 0 ? -1 : position + length;
    QTextBlock block = document()->firstBlock();
    for (; block.isValid(); block = block.next())
        layoutMessageBlock(block);
    requestUpdate();
}

int MessageTextLayout::neededHeight(int viewportWidth)
{
    // Measured on copies of the blocks: the editor owns the real width.
    const QTextDocument *doc = document();
    const qreal margin = doc->documentMargin();
    qreal height = 2 * margin;
    for (QTextBlock block = doc->firstBlock(); block.isValid(); block = block.next()) {
        QTextLayout copy(block.text(), doc->defaultFont(), paintDevice());
        height += layoutLines(copy, block.text(), viewportWidth - 2 * margin, margin, block.position());
    }
    // The editor shows a scroll bar unless the text ends a pixel short of
    // its viewport's bottom.
    return int(std::ceil(height)) + 1;
}

QRectF MessageTextLayout::blockBoundingRect(const QTextBlock &block) const
{
    if (block.isValid() && block.layout()->lineCount() == 0)
        const_cast<MessageTextLayout *>(this)->layoutMessageBlock(block);
    return QPlainTextDocumentLayout::blockBoundingRect(block);
}

void MessageTextLayout::documentChanged(int from, int charsRemoved, int charsAdded)
{
    QPlainTextDocumentLayout::documentChanged(from, charsRemoved, charsAdded);
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next())
        layoutMessageBlock(block);
    emit documentSizeChanged(documentSize());
}

void MessageTextLayout::layoutUnlaidBlocks()
{
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        if (block.layout()->lineCount() == 0)
            layoutMessageBlock(block);
    }
}

qreal MessageTextLayout::layoutLines(QTextLayout &layout, const QString &text, qreal width, qreal margin,
                                     int blockStart) const
{
    // The caret positions on one unbroken line measure every possible line.
    QTextOption option = document()->defaultTextOption();
    option.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine unbroken = layout.createLine();
    layout.endLayout();
    QList<qreal> advance;
    advance.reserve(text.size() + 1);
    for (int pos = 0; pos <= text.size(); ++pos)
        advance << (unbroken.isValid() ? unbroken.cursorToX(pos) : 0);

    const auto inBlock = [&](int position) {
        return std::clamp(position - blockStart, -1, int(text.size()));
    };
    const QList<int> ends = wrapMessageLines(text, advance, width, inBlock(m_linkStart), inBlock(m_linkEnd));

    // Every character may end a line here, so a line holds exactly the
    // columns it is given.
    option.setWrapMode(QTextOption::WrapAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal y = 0;
    int from = 0;
    for (int end : ends) {
        if (end <= from)
            continue;
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLeadingIncluded(true);
        int columns = end - from;
        line.setNumColumns(columns, width);
        // A ligature is one glyph for two characters: ask for fewer.
        while (line.textLength() > end - from && columns > 1)
            line.setNumColumns(--columns, width);
        line.setPosition(QPointF(margin, y));
        y += line.height();
        if (line.leading() < 0)
            y += std::ceil(line.leading());
        from += line.textLength();
    }
    if (layout.lineCount() == 0) {
        QTextLine line = layout.createLine();
        if (line.isValid()) {
            line.setLeadingIncluded(true);
            line.setLineWidth(width);
            line.setPosition(QPointF(margin, 0));
            y += line.height();
        }
    }
    layout.endLayout();
    return y;
}

void MessageTextLayout::layoutMessageBlock(const QTextBlock &block)
{
    QTextDocument *doc = document();
    const qreal margin = doc->documentMargin();
    // The editor's width, or none before it has one.
    const qreal frameWidth = frameBoundingRect(nullptr).width();
    const qreal width = (frameWidth > 0 ? frameWidth : qreal(INT_MAX)) - 2 * margin;
    layoutLines(*block.layout(), block.text(), width, margin, block.position());

    const int linesBefore = doc->lineCount();
    const_cast<QTextBlock &>(block).setLineCount(block.isVisible() ? block.layout()->lineCount() : 0);
    if (doc->lineCount() != linesBefore)
        emit documentSizeChanged(documentSize());
}

StatusGeometry fitStatusLayout(const StatusGeometry &tmpl, const StatusNeeds &needs)
{
    const auto bottomOf = [](const QRect &r) { return r.y() + r.height(); };
    const int topShift =
        std::max(0, tmpl.group.y() + needs.groupFrame.top() + needs.margin - tmpl.message.y());
    const int gapAbove = tmpl.support.y() - bottomOf(tmpl.message);
    const int gapBetween = tmpl.faq.y() - bottomOf(tmpl.support);
    const int free = std::max(0, gapAbove - std::min(gapAbove, gapBetween));
    const int bottomRoom = bottomOf(tmpl.group) - bottomOf(tmpl.faq);
    const int supportHeight = std::max(tmpl.support.height(), needs.support);
    const int faqHeight = std::max(tmpl.faq.height(), needs.faq);

    const auto layoutFor = [&](int messageHeight) {
        const int growth = topShift + messageHeight - tmpl.message.height() + supportHeight
                           - tmpl.support.height() + faqHeight - tmpl.faq.height()
                           + std::max(0, needs.groupFrame.bottom() + needs.margin - bottomRoom);
        const int absorbed = std::min(free, growth);
        const int delta = growth - absorbed;
        StatusGeometry g = tmpl;
        g.message = QRect(tmpl.message.x(), tmpl.message.y() + topShift, tmpl.message.width(), messageHeight);
        g.support = QRect(tmpl.support.x(), bottomOf(g.message) + gapAbove - absorbed, tmpl.support.width(),
                          supportHeight);
        g.faq = QRect(tmpl.faq.x(), bottomOf(g.support) + gapBetween, tmpl.faq.width(), faqHeight);
        g.group.setHeight(tmpl.group.height() + delta);
        g.ok.translate(0, delta);
        g.cancel.translate(0, delta);
        g.dialog.setHeight(tmpl.dialog.height() + delta);
        g.messageScrolls = messageHeight < needs.message;
        return g;
    };

    StatusGeometry fitted = layoutFor(std::max(tmpl.message.height(), needs.message));
    const int limit = std::max(tmpl.dialog.height(), needs.maxHeight);
    if (fitted.dialog.height() > limit) {
        const int over = fitted.dialog.height() - limit;
        fitted = layoutFor(std::max(tmpl.message.height(), fitted.message.height() - over));
    }
    if (needs.side.isEmpty())
        return fitted;

    // The texts' right edge, with the template's gap from the frame kept
    // once more between them and what stands beside them.
    const int textsRight = std::max({fitted.message.right(), fitted.support.right(), fitted.faq.right()});
    const int gap = std::max(needs.margin, fitted.group.right() - textsRight);
    fitted.side = QRect(QPoint(textsRight + 1 + gap, fitted.message.y()), needs.side);
    const int widen = needs.side.width() + gap;
    fitted.group.setWidth(fitted.group.width() + widen);
    fitted.dialog.setWidth(fitted.dialog.width() + widen);
    fitted.cancel.translate(widen, 0);
    const int taller =
        bottomOf(fitted.side) + needs.margin + needs.groupFrame.bottom() - bottomOf(fitted.group);
    if (taller > 0) {
        fitted.group.setHeight(fitted.group.height() + taller);
        fitted.ok.translate(0, taller);
        fitted.cancel.translate(0, taller);
        fitted.dialog.setHeight(fitted.dialog.height() + taller);
    }
    return fitted;
}
