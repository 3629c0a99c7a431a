#include "app/openfiledialog.h"

#include "platform/host.h"

#include <QFileDialog>

void setUpOpenDialog(QFileDialog &dialog, const QStringList &filters)
{
    if (!host::fileDialogFiltersIgnoreCase())
        dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(0));
}
