#include "viewer/ui/file_chooser.h"

#include <algorithm>

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

SaveChoice QtFileChooser::SaveFileName(QWidget* parent, const SaveDialogPlan& plan)
{
    QFileDialog dialog(parent, QObject::tr("Save As"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const std::vector<DialogFilterEntry> entries = SplitDialogFilter(plan.filter);
    const QStringList filters = NameFilters(plan.filter);
    dialog.setNameFilters(filters);
    std::string suffix = plan.defaultExtension;
    if (!suffix.empty() && suffix.front() == '.') {
        suffix.erase(0, 1);
    }
    dialog.setDefaultSuffix(QString::fromStdString(suffix));
    // "Web Page (*.html)" chosen in a body's dialog makes "body" into "body.html".
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&](const QString& chosen) {
        const qsizetype at = filters.indexOf(chosen);
        if (at < 0 || static_cast<std::size_t>(at) >= entries.size()) {
            return;
        }
        const std::vector<std::string>& patterns = entries[static_cast<std::size_t>(at)].patterns;
        if (!patterns.empty() && patterns.front().rfind("*.", 0) == 0 &&
            patterns.front().find('*', 2) == std::string::npos) {
            dialog.setDefaultSuffix(QString::fromStdString(patterns.front().substr(2)));
        }
    });
    if (!plan.fileName.empty()) {
        dialog.selectFile(QString::fromStdString(plan.fileName));
    }
    SaveChoice choice;
    choice.path = Chosen(dialog);
    choice.filter = static_cast<std::size_t>(std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())));
    return choice;
}

} // namespace viewer::ui
