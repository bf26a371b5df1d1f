// CMyHTMView: the HTML pane. Shows the HTML body of an ELEM_HTML_BODY element: the value's
// bytes as stored are written into a temporary "tnf" file, which stays open for reading
// while it shows and is loaded by its "file://" address with no history. What the browser
// gets for that address is the body cleaned up (html_cleanup.h); every other resource it
// asks for goes through the resource policy (addresses.h): cid: images come from the
// message's own attachments, data: images from the address, everything else is answered
// with nothing. The pane that replaces it takes over the file (TakeOver).
#pragma once

#include <string>

#include "platform/files.h"
#include "viewer/doc/model/element.h"
#include "viewer/ui/body_pane.h"

namespace viewer::ui {

class CMyHTMView final : public BodyPane {
    Q_OBJECT

  public:
    CMyHTMView(const PaneContext& context, QWidget* parent);
    ~CMyHTMView() override;

    // CElementView
    std::uint32_t GetViewKind() const override { return viewer::doc::model::VIEW_HTML; }
    bool TakeOver(CElementView* previous) override;
    void OnUpdate(viewer::doc::document::DocumentView* sender,
                  viewer::doc::model::ElementRef* hint) override;

    // The temporary file shown; empty when none.
    const std::string& FilePath() const { return m_path; }

  protected:
    QVariant ServeResource(int type, const QUrl& name) override;
    QString BodyAddress() const override;

  private:
    // Closes and deletes the pane's file.
    void ReleaseFile();
    [[nodiscard]] platform::StatusCode WriteBody(viewer::doc::model::ElementRef* element);
    QString CleanBody() const;
    QImage InlineImage(const std::string& contentId) const;

    std::string m_path;
    platform::UniqueFd m_file;
    bool m_loaded = false;
};

} // namespace viewer::ui
