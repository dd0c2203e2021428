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

void WidgetFileDialogs::run(const Request& request, bool saving, Chosen chosen) {
    QWidget* over = QApplication::activeWindow();
    auto* dialog = new QFileDialog(over, request.title);
    // It keeps the user's hands off the window it belongs to; the program runs on.
    dialog->setWindowModality(over ? Qt::WindowModal : Qt::ApplicationModal);
    dialog->setObjectName("file_dialog");
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // The suggested name stands for files yet to come: nothing is overwritten by choosing it.
    if (saving) dialog->setOption(QFileDialog::DontConfirmOverwrite);
    dialog->setNameFilters(name_filters(request.filter));
    if (!request.file_name.isEmpty()) dialog->selectFile(request.file_name);
    const int longest = request.longest_name;
    QObject::connect(dialog, &QDialog::finished, dialog,
                     [dialog, longest, chosen = std::move(chosen)](int result) {
                         const QStringList files = dialog->selectedFiles();
                         const bool taken = result == QDialog::Accepted && !files.isEmpty() &&
                                            files.first().size() <= longest;
                         chosen(taken ? files.first() : QString());
                     });
    dialog->show();
}

void WidgetFileDialogs::save_file(const Request& request, Chosen chosen) {
    run(request, true, std::move(chosen));
}

void WidgetFileDialogs::open_file(const Request& request, Chosen chosen) {
    run(request, false, std::move(chosen));
}
