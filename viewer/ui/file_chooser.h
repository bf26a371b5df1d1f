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

// What a save dialog gave: the full path chosen (empty for none) and the position of the
// filter entry it was chosen under.
struct SaveChoice {
    std::string path;
    std::size_t filter = 0;
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // File Open: the full path chosen, or empty. Starts in `folder` when it is not empty.
    virtual std::string OpenFileName(QWidget* parent, const std::string& folder) = 0;
    // A save dialog as the plan says (proposed name, default extension, filter, overwrite
    // prompt); the default extension follows the filter entry chosen.
    virtual SaveChoice SaveFileName(QWidget* parent,
                                    const viewer::doc::frame::SaveDialogPlan& plan) = 0;
};

class QtFileChooser final : public FileChooser {
public:
    std::string OpenFileName(QWidget* parent, const std::string& folder) override;
    SaveChoice SaveFileName(QWidget* parent,
                            const viewer::doc::frame::SaveDialogPlan& plan) override;
};

} // namespace viewer::ui
