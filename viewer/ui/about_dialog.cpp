#include "viewer/ui/about_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>

#include "viewer/doc/naming/strings.h"

namespace viewer::ui {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    const QString title =
        QString::fromUtf8(viewer::doc::naming::LoadString(viewer::doc::naming::IDS_APP_TITLE));
    setWindowTitle(tr("About %1").arg(title));
    auto* icon = new QLabel;
    icon->setPixmap(QIcon(QStringLiteral(":/pallion/pallion.svg")).pixmap(48, 48));
    const QStringList lines = {
        tr("%1 Version 1.00.000").arg(title),
        tr("Shows what a TNEF stream holds: the mail, its properties, recipients and "
           "attachments, down to the byte."),
        tr("Made by Corvane. Questions and reports: %1")
            .arg(QString::fromUtf8(viewer::doc::naming::kSupportAddress)),
        QString::fromUtf8(viewer::doc::naming::kMakerDomain),
    };
    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, static_cast<int>(lines.size()), 1, Qt::AlignTop);
    for (int row = 0; row < lines.size(); ++row) {
        auto* label = new QLabel(lines[row]);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        layout->addWidget(label, row, 1);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, static_cast<int>(lines.size()), 0, 1, 2);
    layout->setColumnStretch(1, 1);
    layout->setHorizontalSpacing(16);
    setMinimumWidth(440);
}

} // namespace viewer::ui
