#include "desktop/widget_file_dialogs.h"

#include <QApplication>
#include <QFileDialog>

QStringList WidgetFileDialogs::name_filters(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            for (const QString& spelling : {pattern, pattern.toLower(), pattern.toUpper()})
                if (!patterns.contains(spelling)) patterns.append(spelling);
        }
        filters.append(QStringLiteral("%1 (%2)").arg(parts[i], patterns.join(' ')));
    }
    return filters;
}

QString WidgetFileDialogs::run(const Request& request, bool saving) {
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setObjectName("file_dialog");
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The suggested name stands for files yet to come: nothing is overwritten by choosing it.
    if (saving) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(name_filters(request.filter));
    if (!request.file_name.isEmpty()) dialog.selectFile(request.file_name);
    if (dialog.exec() != QDialog::Accepted) return {};
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().size() > request.longest_name) return {};
    return chosen.first();
}

QString WidgetFileDialogs::save_file(const Request& request) {
    return run(request, true);
}

QString WidgetFileDialogs::open_file(const Request& request) {
    return run(request, false);
}
