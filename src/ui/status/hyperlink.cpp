#include "ui/status/hyperlink.h"

#include "core/upload/statusmessage.h"

#include <QAccessibleWidget>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

namespace {

constexpr char kOriginalFont[] = "_Hyperlink_Original_Font_";
constexpr char kUnderlineFont[] = "_Hyperlink_Underline_Font_";
constexpr char kFromStatic[] = "_Hyperlink_From_Static_";
constexpr char kParentFilter[] = "_Hyperlink_Parent_Filter_";

bool isLink(const QObject *object)
{
    return object && object->property(kFromStatic).isValid();
}

// The one path every way of following a link takes: click, key and
// assistive technology alike.
void notifyClicked(QLabel *label)
{
    if (HyperlinkParentFilter *parent = hyperlinkParentFilter(label->parentWidget()))
        emit parent->clicked(dialogControlId(label));
}

bool isActivationKey(const QKeyEvent &event)
{
    if ((event.modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    return event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter || event.key() == Qt::Key_Space;
}

// The style's focus frame around a link that has the keyboard focus; a
// child of the label, drawn over it and blind to the mouse.
class FocusFrame : public QWidget
{
public:
    explicit FocusFrame(QLabel *label) : QWidget(label)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(label->rect());
        hide();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionFocusRect option;
        option.initFrom(parentWidget());
        option.rect = rect();
        // Shown only for the keyboard's focus, so the style need not check.
        option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
        option.backgroundColor = parentWidget()->palette().color(QPalette::Window);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    }
};

// Tells assistive technology that a converted label is a link, named by its
// text, that can be pressed.
class HyperlinkAccessible : public QAccessibleWidget
{
public:
    explicit HyperlinkAccessible(QLabel *label) : QAccessibleWidget(label, QAccessible::Link) {}

    QAccessible::Role role() const override
    {
        return isLink(widget()) ? QAccessible::Link : QAccessible::StaticText;
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name)
            return label()->text();
        return QAccessibleWidget::text(t);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.linked = isLink(widget());
        return state;
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (isLink(widget()))
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &action) override
    {
        if (action == pressAction() && isLink(widget()))
            notifyClicked(label());
        else
            QAccessibleWidget::doAction(action);
    }

private:
    QLabel *label() const { return static_cast<QLabel *>(widget()); }
};

QAccessibleInterface *hyperlinkAccessibleFactory(const QString &, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    return label && isLink(label) ? new HyperlinkAccessible(label) : nullptr;
}

// An interface made for the label before (or while) it was a link would be
// kept for its lifetime; the next query makes the right one.
void forgetAccessible(QLabel *label)
{
    static const bool installed = [] {
        QAccessible::installFactory(hyperlinkAccessibleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(label))
        QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
}

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
        m_hadTracking(label->hasMouseTracking()),
        m_focusPolicy(label->focusPolicy()),
        m_focusFrame(new FocusFrame(label))
    {
        QPalette link = m_palette;
        // The label draws on its parent's background, which a dark theme
        // makes too dark for the classic blue.
        const QWidget *under = label->parentWidget() ? label->parentWidget() : label;
        link.setColor(QPalette::WindowText, linkColourOn(under->palette().color(QPalette::Window),
                                                         m_palette.color(QPalette::Link)));
        label->setPalette(link);
        // Qt offers the hand on every platform, so the arrow fallback is never needed.
        label->setCursor(Qt::PointingHandCursor);
        // Moves without a button pressed must reach the label for the hover.
        label->setMouseTracking(true);
        // Reached with Tab, never taken by a click, so the mouse look stays.
        label->setFocusPolicy(Qt::TabFocus);
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
        m_label->setFocusPolicy(m_focusPolicy);
        delete m_focusFrame;
        m_label->setProperty(kOriginalFont, QVariant());
        m_label->setProperty(kUnderlineFont, QVariant());
        m_label->setProperty(kFromStatic, QVariant());
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_label)
            return false;
        switch (event->type()) {
        case QEvent::MouseMove:
            onMouseMove(static_cast<QMouseEvent *>(event)->position().toPoint());
            break;
        case QEvent::MouseButtonRelease:
            onRelease(*static_cast<QMouseEvent *>(event));
            break;
        case QEvent::FocusIn:
            // Only the keyboard's focus is drawn; a click does not take it.
            m_focusFrame->setVisible(static_cast<QFocusEvent *>(event)->reason() != Qt::MouseFocusReason);
            m_focusFrame->raise();
            break;
        case QEvent::FocusOut:
            m_focusFrame->hide();
            break;
        case QEvent::Resize:
            m_focusFrame->setGeometry(m_label->rect());
            break;
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            // The link takes Enter itself, before the dialog's default button.
            const auto &key = *static_cast<QKeyEvent *>(event);
            if (!isActivationKey(key))
                break;
            if (event->type() == QEvent::KeyPress && !key.isAutoRepeat())
                notifyClicked(m_label);
            return true;
        }
        default:
            break;
        }
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
        notifyClicked(m_label);
    }

    QLabel *m_label;
    QPalette m_palette;
    bool m_hadPalette;
    bool m_hadCursor;
    QCursor m_cursor;
    bool m_hadTracking;
    Qt::FocusPolicy m_focusPolicy;
    FocusFrame *m_focusFrame;
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
            forgetAccessible(label);
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
    forgetAccessible(label);
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
