// Turns a plain text label of a dialog into a link: dark blue text, a hand
// cursor, underlined while the pointer is over it, and a click notification
// to the dialog. Reached with Tab, it shows the style's focus frame, follows
// Enter or Space as a click, and tells assistive technology it is a link.
// No class of its own: an event filter on the label and one on
// its parent, with the state kept in named dynamic properties, so any label
// of any dialog can be converted while the dialog is being set up.
//
// The conversion lasts until the parent is hidden (the dialog closes): then
// every converted label gets its font, colour, cursor, focus policy and mouse
// tracking back
// and no "_Hyperlink_" property remains, ready for the next run to convert
// it afresh.
#pragma once

#include <QObject>
#include <QPointer>

class QLabel;
class QWidget;

// One per parent, however many of its labels are converted: tells the
// dialog which link was clicked and undoes the conversion when it closes.
class HyperlinkParentFilter : public QObject
{
    Q_OBJECT

public:
    explicit HyperlinkParentFilter(QWidget *parent);

    void addLink(QLabel *label);
    void restoreAll();

signals:
    // The id is the number that ends the clicked label's object name.
    void clicked(int id);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QList<QPointer<QLabel>> m_links;
};

// Both forms always return true, as conversion failures are not reported.
// Converting a label that is already a link changes nothing.
bool ConvertStaticToHyperlink(QLabel *label);
// Looks the label up by its id (the number that ends its object name).
bool ConvertStaticToHyperlink(QWidget *dialog, int id);

// The filter a parent got with its first converted label; null when none.
HyperlinkParentFilter *hyperlinkParentFilter(const QWidget *parent);

// The dialog control id an object stands for: the digits its name ends with
// ("label2225" is 2225); -1 when the name ends otherwise.
int dialogControlId(const QObject *object);
