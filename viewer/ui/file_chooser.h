// The file dialogs of the viewer behind one small interface, so that tests can answer them.
#pragma once

#include <string>

#include "viewer/doc/frame/commands.h"
#include "viewer/doc/frame/pane_swap.h"
#include "viewer/doc/frame/tool_commands.h"

class QString;
class QWidget;

namespace viewer::ui {

// Paths are bytes; Qt holds them as text, converted as its file functions convert them.
std::string ToLocalPath(const QString& path);
QString FromLocalPath(const std::string& path);

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // File Open: the full path chosen, or empty. Starts in `folder` when it is not empty.
    virtual std::string OpenFileName(QWidget* parent, const std::string& folder) = 0;
    // A save dialog as the plan says (proposed name, default extension, filter, overwrite
    // prompt): the full path chosen, or empty.
    virtual std::string SaveFileName(QWidget* parent,
                                     const viewer::doc::frame::SaveDialogPlan& plan) = 0;
};

class QtFileChooser final : public FileChooser {
public:
    std::string OpenFileName(QWidget* parent, const std::string& folder) override;
    std::string SaveFileName(QWidget* parent,
                             const viewer::doc::frame::SaveDialogPlan& plan) override;
};

} // namespace viewer::ui
