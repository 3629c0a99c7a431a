#include "ui/app/screenbitmap.h"

#include "core/app/resources.h"

#include <QLabel>
#include <QPixmap>

namespace {

class ScreenBitmap : public QObject
{
public:
    ScreenBitmap(QLabel *label, int id) : QObject(label), m_label(label), m_id(id) { load(); }

    bool eventFilter(QObject *watched, QEvent *e) override
    {
        if (watched == m_label && resources::screenMayHaveChanged(*e)
            && !qFuzzyCompare(m_label->devicePixelRatioF(), m_ratio))
            load();
        return false;
    }

private:
    void load()
    {
        m_ratio = m_label->devicePixelRatioF();
        // The pixmap keeps the image's ratio, so the label lays it out at
        // its 1x size and draws it pixel for pixel.
        m_label->setPixmap(QPixmap::fromImage(resources::loadBitmap(m_id, m_ratio)));
    }

    QLabel *m_label;
    int m_id;
    qreal m_ratio = 1;
};

} // namespace

void showScreenBitmap(QLabel *label, int id)
{
    // One watcher per label: a second call replaces the first.
    for (QObject *child : label->children())
        if (auto *old = dynamic_cast<ScreenBitmap *>(child)) {
            label->removeEventFilter(old);
            delete old;
        }
    label->installEventFilter(new ScreenBitmap(label, id));
}
