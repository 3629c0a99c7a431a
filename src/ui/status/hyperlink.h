// A label that reads and acts as a link: the link colour, a hand cursor,
// underlined while the pointer is over it, and clicked by the mouse or, once
// reached with Tab, by Enter or Space.
#pragma once

#include <QLabel>

class HyperlinkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit HyperlinkLabel(QWidget *parent = nullptr);

signals:
    void clicked();

protected:
    void changeEvent(QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void setUnderline(bool on);
    void applyLinkColour();
};
