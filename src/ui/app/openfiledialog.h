// The Open dialog of Browse, set up with the program's filters.
#pragma once

#include <QStringList>

class QFileDialog;

// An Open dialog for one existing file with `filters` in order, the first
// preselected, the texts shown as given. Their patterns must match letters in
// any case (a camera writes photo.JPG): Qt's own dialog does; where the
// system's dialog would not, Qt's own is used instead.
void setUpOpenDialog(QFileDialog &dialog, const QStringList &filters);
