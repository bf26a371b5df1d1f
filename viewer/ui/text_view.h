// CTextView: the text pane. The element's bytes as text in rows of 80 characters, line
// feeds ending a row, 8-bit text in the message's code page and UTF-16 text as itself.
#pragma once

#include "viewer/doc/model/element.h"
#include "viewer/ui/row_pane.h"

namespace viewer::ui {

class CTextView final : public RowPane {
public:
    CTextView(const PaneContext& context, QWidget* parent)
        : RowPane(context, parent, viewer::doc::panes::RowKind::Text, viewer::doc::model::VIEW_TEXT,
                  tr("Text view"))
    {
    }
};

} // namespace viewer::ui
