// Qt's own Open dialog, set up with the program's filters.
#pragma once

#include <QString>
#include <QStringList>

class QFileDialog;

// "*.jpg" becomes "*.[jJ][pP][gG]": a pattern that takes its letters in any
// case, so photo.JPG from a camera is offered on file systems that tell case.
QString anyCasePattern(const QString &pattern);

// An Open dialog for one existing file with `filters` in order, the first
// preselected. The filter texts are shown as given; where the dialog filters
// through its own file model, their patterns match letters in any case.
void setUpOpenDialog(QFileDialog &dialog, const QStringList &filters);
