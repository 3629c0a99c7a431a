#include "app/openfiledialog.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>

QString anyCasePattern(const QString &pattern)
{
    QString out;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (lower != upper)
            out += QLatin1Char('[') + lower + upper + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

namespace {

// The patterns of a filter text such as "JPG Files(*.jpg)", each in any case.
QStringList anyCasePatternsOf(const QString &filter)
{
    static const QRegularExpression inParentheses(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    const QRegularExpressionMatch match = inParentheses.match(filter);
    QStringList patterns;
    const QString list = match.hasMatch() ? match.captured(1) : filter;
    for (const QString &p : list.split(QRegularExpression(QStringLiteral("[\\s;]+")), Qt::SkipEmptyParts))
        patterns << anyCasePattern(p);
    return patterns;
}

} // namespace

void setUpOpenDialog(QFileDialog &dialog, const QStringList &filters)
{
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.value(0));

    // The dialog hands the patterns to its file model as they are written;
    // give the model the any-case form after every change of filter.
    auto *model = dialog.findChild<QFileSystemModel *>();
    if (!model)
        return;
    auto apply = [model](const QString &filter) { model->setNameFilters(anyCasePatternsOf(filter)); };
    apply(dialog.selectedNameFilter());
    QObject::connect(&dialog, &QFileDialog::filterSelected, model, apply);
}
