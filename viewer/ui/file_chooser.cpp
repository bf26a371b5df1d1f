#include "viewer/ui/file_chooser.h"

#include <QFile>
#include <QFileDialog>

#include "viewer/doc/frame/app_commands.h"
#include "viewer/doc/naming/strings.h"

namespace viewer::ui {

using namespace viewer::doc::frame;
using namespace viewer::doc::naming;

namespace {

QStringList NameFilters(const std::string& filter)
{
    QStringList filters;
    for (const DialogFilterEntry& entry : SplitDialogFilter(filter)) {
        filters << QString::fromStdString(NameFilterText(entry));
    }
    return filters;
}

std::string Chosen(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return ToLocalPath(dialog.selectedFiles().first());
}

} // namespace

std::string ToLocalPath(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

QString FromLocalPath(const std::string& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path));
}

std::string QtFileChooser::OpenFileName(QWidget* parent, const std::string& folder)
{
    QFileDialog dialog(parent, QString::fromUtf8(LoadString(IDS_OPEN_TITLE)));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(NameFilters(OpenDialogFilter()));
    if (!folder.empty()) {
        dialog.setDirectory(FromLocalPath(folder));
    }
    return Chosen(dialog);
}

std::string QtFileChooser::SaveFileName(QWidget* parent, const SaveDialogPlan& plan)
{
    QFileDialog dialog(parent, QObject::tr("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(plan.filter));
    std::string suffix = plan.defaultExtension;
    if (!suffix.empty() && suffix.front() == '.') {
        suffix.erase(0, 1);
    }
    dialog.setDefaultSuffix(QString::fromStdString(suffix));
    if (!plan.fileName.empty()) {
        dialog.selectFile(QString::fromStdString(plan.fileName));
    }
    return Chosen(dialog);
}

} // namespace viewer::ui
