// Dialog 100, About: the program's name, version and maker.
#pragma once

#include <QDialog>

namespace viewer::ui {

class CAboutDlg final : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent);
};

} // namespace viewer::ui
