#include "app/QtFileDialogs.h"

#include <QFileDialog>
#include <QFileInfo>

namespace tem::gui {

namespace {

/// Selects the filter entry that lists the initial file's extension and makes it the default one.
void PrepareDialog(QFileDialog& dlg, const std::string& filter, const std::string& initialFile)
{
    const QString initial = QString::fromStdString(initialFile);
    const QFileInfo info(initial);
    const QStringList filters = QString::fromStdString(filter).split(";;", Qt::SkipEmptyParts);
    dlg.setNameFilters(filters);
    const QString suffix = info.suffix();
    if (!suffix.isEmpty()) {
        dlg.setDefaultSuffix(suffix);
        for (const QString& f : filters) {
            if (f.contains("*." + suffix, Qt::CaseInsensitive)) {
                dlg.selectNameFilter(f);
                break;
            }
        }
    }
    if (!initial.isEmpty()) {
        if (info.dir().exists())
            dlg.setDirectory(info.dir());
        dlg.selectFile(info.fileName());
    }
}

} // namespace

std::string QtFileDialogs::openFile(const std::string& title, const std::string& filter,
                                    const std::string& initialFile)
{
    QFileDialog dlg(parent_, QString::fromStdString(title));
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    PrepareDialog(dlg, filter, initialFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first().toStdString();
}

std::string QtFileDialogs::saveFile(const std::string& title, const std::string& filter,
                                    const std::string& initialFile)
{
    QFileDialog dlg(parent_, QString::fromStdString(title));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    PrepareDialog(dlg, filter, initialFile);
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().first().toStdString();
}

std::string QtFileDialogs::chooseFolder(const std::string& title, const std::string& initialFolder)
{
    return QFileDialog::getExistingDirectory(parent_, QString::fromStdString(title),
                                             QString::fromStdString(initialFolder))
        .toStdString();
}

} // namespace tem::gui
