// CRTFView: the rich-text pane. Shows the RTF body of an ELEM_COMPRESSED_RTF element: the
// body is inflated into a temporary "tnf" file, opened as a delete-on-release file stream
// (so that releasing the stream removes the file), read from its start in one stream-in
// through a read callback into the RTF reader, and the model built into the browser's
// document. The pane keeps the stream while the body shows and hands it to the rich-text
// pane that replaces it (TakeOver), which reads the same body again without a new file.
#pragma once

#include "platform/com_ptr.h"
#include "viewer/doc/model/element.h"
#include "viewer/ui/body_pane.h"
#include "viewer/ui/rich_text_builder.h"

namespace viewer::ui {

class CRTFView final : public BodyPane {
    Q_OBJECT

  public:
    CRTFView(const PaneContext& context, QWidget* parent);
    ~CRTFView() override;

    // CElementView
    std::uint32_t GetViewKind() const override { return viewer::doc::model::VIEW_RTF; }
    bool TakeOver(CElementView* previous) override;
    void OnUpdate(viewer::doc::document::DocumentView* sender,
                  viewer::doc::model::ElementRef* hint) override;

    bool HasBodyStream() const { return static_cast<bool>(m_bodyStream); }
    // How the model becomes the document (the metafile hook; tests and benchmarks set it).
    void SetBuildOptions(const RichTextBuildOptions& options) { m_buildOptions = options; }

  private:
    // Makes the temporary file and the body stream over it.
    [[nodiscard]] platform::StatusCode OpenBody(viewer::doc::model::ElementRef* element);
    // Reads the body stream from its start into the browser.
    [[nodiscard]] platform::StatusCode ShowBody();

    platform::ComPtr<platform::IStream> m_bodyStream;
    bool m_loaded = false;
    RichTextBuildOptions m_buildOptions;
};

// The read callback of the stream-in: up to `requested` bytes from the stream in `cookie`
// into `buffer`; the count read, 0 when there is no stream, at its end and on a failed read.
std::uint32_t ReadBodyStream(platform::IStream* cookie, std::uint8_t* buffer,
                             std::uint32_t requested);

} // namespace viewer::ui
