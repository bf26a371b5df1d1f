// CHexView: the hex pane. The element's bytes, 16 a row: the offset, the bytes in hex and
// the bytes as characters.
#pragma once

#include "viewer/doc/model/element.h"
#include "viewer/ui/row_pane.h"

namespace viewer::ui {

class CHexView final : public RowPane {
public:
    CHexView(const PaneContext& context, QWidget* parent)
        : RowPane(context, parent, viewer::doc::panes::RowKind::Hex, viewer::doc::model::VIEW_HEX,
                  tr("Hex view"))
    {
    }
};

} // namespace viewer::ui
