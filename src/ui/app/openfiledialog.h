// The Open dialog of Browse, set up with the program's filters.
#pragma once

#include <QStringList>

class QFileDialog;

// An Open dialog for one existing file with `filters` in order, the first
// preselected, the texts shown as given. The desktop's own file chooser
// (the native one, the XDG portal's) where there is one; Qt's own
// otherwise, with a name column as wide as the names.
void setUpOpenDialog(QFileDialog &dialog, const QStringList &filters);
