#include "status/hyperlink.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace {

constexpr char kOriginalFont[] = "_Hyperlink_Original_Font_";
constexpr char kUnderlineFont[] = "_Hyperlink_Underline_Font_";
constexpr char kFromStatic[] = "_Hyperlink_From_Static_";
constexpr char kParentFilter[] = "_Hyperlink_Parent_Filter_";

const QColor kLinkColour(0, 0, 192);

// Lives as a child of its label and holds what the properties cannot: the
// look the label had before it became a link.
class HyperlinkStaticFilter : public QObject
{
public:
    explicit HyperlinkStaticFilter(QLabel *label) :
        QObject(label),
        m_label(label),
        m_palette(label->palette()),
        m_hadPalette(label->testAttribute(Qt::WA_SetPalette)),
        m_hadCursor(label->testAttribute(Qt::WA_SetCursor)),
        m_cursor(label->cursor()),
        m_hadTracking(label->hasMouseTracking())
    {
        QPalette link = m_palette;
        link.setColor(QPalette::WindowText, kLinkColour);
        label->setPalette(link);
        // Qt offers the hand on every platform, so the arrow fallback is never needed.
        label->setCursor(Qt::PointingHandCursor);
        // Moves without a button pressed must reach the label for the hover.
        label->setMouseTracking(true);
        label->installEventFilter(this);
    }

    void restore()
    {
        m_label->removeEventFilter(this);
        if (QWidget::mouseGrabber() == m_label)
            m_label->releaseMouse();
        m_label->setFont(m_label->property(kOriginalFont).value<QFont>());
        m_label->setPalette(m_hadPalette ? m_palette : QPalette());
        if (m_hadCursor)
            m_label->setCursor(m_cursor);
        else
            m_label->unsetCursor();
        m_label->setMouseTracking(m_hadTracking);
        m_label->setProperty(kOriginalFont, QVariant());
        m_label->setProperty(kUnderlineFont, QVariant());
        m_label->setProperty(kFromStatic, QVariant());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_label)
            return false;
        if (event->type() == QEvent::MouseMove)
            onMouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
        else if (event->type() == QEvent::MouseButtonRelease)
            onRelease(*static_cast<QMouseEvent *>(event));
        return false;
    }

private:
    // The grab is how the label notices the pointer leave it even when the
    // move lands on another widget.
    void onMouseMove(QPoint pos)
    {
        if (QWidget::mouseGrabber() != m_label) {
            m_label->setFont(m_label->property(kUnderlineFont).value<QFont>());
            m_label->update();
            m_label->grabMouse();
        } else if (!m_label->rect().contains(pos)) {
            m_label->setFont(m_label->property(kOriginalFont).value<QFont>());
            m_label->update();
            m_label->releaseMouse();
        }
    }

    void onRelease(const QMouseEvent &event)
    {
        if (event.button() != Qt::LeftButton || !m_label->rect().contains(event.position().toPoint()))
            return;
        if (HyperlinkParentFilter *parent = hyperlinkParentFilter(m_label->parentWidget()))
            emit parent->clicked(dialogControlId(m_label));
    }

    QLabel *m_label;
    QPalette m_palette;
    bool m_hadPalette;
    bool m_hadCursor;
    QCursor m_cursor;
    bool m_hadTracking;
};

HyperlinkStaticFilter *staticFilterOf(const QLabel *label)
{
    for (QObject *child : label->children()) {
        if (auto *filter = dynamic_cast<HyperlinkStaticFilter *>(child))
            return filter;
    }
    return nullptr;
}

} // namespace

HyperlinkParentFilter::HyperlinkParentFilter(QWidget *parent) : QObject(parent)
{
    parent->setProperty(kParentFilter, QVariant::fromValue<QObject *>(this));
    parent->installEventFilter(this);
}

void HyperlinkParentFilter::addLink(QLabel *label)
{
    m_links << label;
}

void HyperlinkParentFilter::restoreAll()
{
    for (const QPointer<QLabel> &label : std::as_const(m_links)) {
        if (!label)
            continue;
        if (HyperlinkStaticFilter *filter = staticFilterOf(label)) {
            filter->restore();
            delete filter;
        }
    }
    m_links.clear();
    if (auto *parent = qobject_cast<QWidget *>(this->parent())) {
        parent->removeEventFilter(this);
        parent->setProperty(kParentFilter, QVariant());
    }
    // Still inside this filter's own call when the parent hides.
    deleteLater();
}

bool HyperlinkParentFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parent() && event->type() == QEvent::Hide && !event->spontaneous())
        restoreAll();
    return false;
}

HyperlinkParentFilter *hyperlinkParentFilter(const QWidget *parent)
{
    if (!parent)
        return nullptr;
    return qobject_cast<HyperlinkParentFilter *>(parent->property(kParentFilter).value<QObject *>());
}

bool ConvertStaticToHyperlink(QLabel *label)
{
    if (!label || label->property(kFromStatic).isValid())
        return true;

    if (QWidget *parent = label->parentWidget()) {
        HyperlinkParentFilter *filter = hyperlinkParentFilter(parent);
        if (!filter)
            filter = new HyperlinkParentFilter(parent);
        filter->addLink(label);
    }

    const QFont original = label->font();
    QFont underline = original;
    underline.setUnderline(true);
    label->setProperty(kOriginalFont, original);
    label->setProperty(kUnderlineFont, underline);
    new HyperlinkStaticFilter(label);
    label->setProperty(kFromStatic, 1);
    return true;
}

bool ConvertStaticToHyperlink(QWidget *dialog, int id)
{
    if (!dialog)
        return true;
    const QList<QLabel *> labels = dialog->findChildren<QLabel *>();
    for (QLabel *label : labels) {
        if (dialogControlId(label) == id)
            return ConvertStaticToHyperlink(label);
    }
    return true;
}

int dialogControlId(const QObject *object)
{
    const QString name = object ? object->objectName() : QString();
    qsizetype start = name.size();
    while (start > 0 && name.at(start - 1).isDigit())
        --start;
    bool ok = false;
    const int id = name.mid(start).toInt(&ok);
    return ok ? id : -1;
}
