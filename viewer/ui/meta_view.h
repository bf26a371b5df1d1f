// CMetaView: the attachment-rendering pane. It copies an attAttachMetaFile record's data into a
// temporary file of its own, plays the metafile (at most 16 KiB of bits) into a picture, and
// shows it in a picture control placed by the picture's bounds: a control made for an earlier
// picture keeps its place, and each picture is scaled into it with its proportions kept. Owns
// the temporary file and the picture until the next element, a failure or its end.
#pragma once

#include <memory>
#include <string>

#include <QWidget>

#include "platform/files.h"
#include "platform/status.h"
#include "viewer/render/metafile/picture.h"
#include "viewer/ui/element_pane.h"

namespace viewer::doc::model {
class AttributeElement;
} // namespace viewer::doc::model

namespace viewer::ui {

class PictureControl;

class CMetaView final : public QWidget, public ElementPane {
    Q_OBJECT

public:
    CMetaView(const PaneContext& context, QWidget* parent);
    ~CMetaView() override;

    // CElementView
    std::uint32_t GetViewKind() const override;
    bool TakeOver(CElementView* previous) override;
    void OnUpdate(viewer::doc::document::DocumentView* sender,
                  viewer::doc::model::ElementRef* hint) override;

    // PaneView
    QWidget* Widget() override { return this; }

    // What the pane holds: the picture shown (null for none), its control (null until the
    // first picture is placed) and the temporary file.
    const viewer::render::metafile::Picture* CurrentPicture() const { return m_picture.get(); }
    QWidget* Control() const;
    const std::string& FilePath() const { return m_file.Path(); }

private:
    [[nodiscard]] platform::StatusCode Load(viewer::doc::model::AttributeElement& element);
    void PlacePicture();
    void Release();

    std::unique_ptr<viewer::render::metafile::Picture> m_picture;
    platform::TempFile m_file;
    bool m_loaded = false;
    PictureControl* m_control = nullptr;
};

} // namespace viewer::ui
