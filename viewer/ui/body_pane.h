// BodyPane: what the rich-text pane and the HTML pane share as right-pane views: the element
// shown, Edit › Copy while text is selected, the window's context menu (never the
// browser's own), the wait cursor while a body loads, and the way a confirmed link reaches
// the desktop.
#pragma once

#include <functional>

#include "platform/files.h"
#include "platform/status.h"
#include "viewer/doc/naming/strings.h"
#include "viewer/ui/body_browser.h"
#include "viewer/ui/pane_view.h"

namespace viewer::ui {

class BodyPane : public BodyBrowser, public PaneView, private LinkHost {
    Q_OBJECT

  public:
    BodyPane(const PaneContext& context, QWidget* parent);

    viewer::doc::model::ElementRef* GetElement() const override { return m_element; }
    void SetElement(viewer::doc::model::ElementRef* element) override { m_element = element; }
    bool OnCommand(std::uint32_t command) override;
    QWidget* Widget() override { return this; }
    void InitialUpdate() override { m_initialised = true; }
    // Copy, while text is selected.
    bool CanHandle(std::uint32_t command) const override;

  protected:
    // A "tnf" temporary file that `write` fills with the body (the document's extraction);
    // it is removed again when `write` fails.
    [[nodiscard]] platform::StatusCode
    MakeBodyFile(const std::function<platform::StatusCode(const char* path)>& write,
                 platform::TempFile* file) const;
    // Shows string `id` filled with the status, with the error icon.
    void ReportFailure(viewer::doc::naming::StringId id, platform::StatusCode status) const;

    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // LinkHost
    bool ConfirmLink(const QString& question) override;
    void Notify(const QString& text) override;
    void OpenLink(const QUrl& address) override;

    viewer::doc::model::ElementRef* m_element = nullptr;
    bool m_initialised = false;
};

// The wait cursor for the life of the object.
class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace viewer::ui
