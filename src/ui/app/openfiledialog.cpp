#include "ui/app/openfiledialog.h"

#include <QEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

namespace {

// Qt builds its own dialog's widgets only when no native one is shown, so
// they are looked for as the dialog appears.
class ReadableColumns : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show) {
            // The names arrive while the folder is read; the column follows
            // them, the other columns move right (a long name would
            // otherwise be cut in the middle).
            if (auto *details = watched->findChild<QTreeView *>(QStringLiteral("treeView")))
                details->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void setUpOpenDialog(QFileDialog &dialog, const QStringList &filters)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(0));
    dialog.installEventFilter(new ReadableColumns(&dialog));
}
