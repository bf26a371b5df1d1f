#include "viewer/ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "viewer/doc/naming/strings.h"

namespace viewer::ui {

using namespace viewer::doc::document;
using namespace viewer::doc::naming;

MessageAnswer QtMessageSink::Show(const std::string& text, MessageIcon icon, MessageButtons buttons)
{
    QMessageBox::Icon boxIcon = QMessageBox::Critical;
    switch (icon) {
    case MessageIcon::Error:
        boxIcon = QMessageBox::Critical;
        break;
    case MessageIcon::Warning:
        boxIcon = QMessageBox::Warning;
        break;
    case MessageIcon::Information:
        boxIcon = QMessageBox::Information;
        break;
    }
    QMessageBox::StandardButtons standard = QMessageBox::Ok;
    switch (buttons) {
    case MessageButtons::Ok:
        standard = QMessageBox::Ok;
        break;
    case MessageButtons::OkCancel:
        standard = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MessageButtons::YesNo:
        standard = QMessageBox::Yes | QMessageBox::No;
        break;
    }
    QMessageBox box(boxIcon, QString::fromUtf8(LoadString(IDS_APP_TITLE)),
                    QString::fromStdString(text), standard, QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        return MessageAnswer::Cancel;
    }
}

} // namespace viewer::ui
