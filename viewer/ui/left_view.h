// CLeftView: the tree pane. Builds the tree of the document's stream once, on its first
// initial update, into a model it owns; selecting a node shows the node's element in the
// right pane; the context menu, type-ahead and Enter or double-click on an attachment come
// from here.
#pragma once

#include <memory>

#include <QTreeView>

#include "viewer/doc/document/view.h"
#include "viewer/doc/tree/tree.h"
#include "viewer/doc/tree/tree_index.h"
#include "viewer/ui/pane_view.h"

namespace viewer::ui {

class TreeModel;

class CLeftView final : public QTreeView, public viewer::doc::document::DocumentView {
    Q_OBJECT

public:
    CLeftView(const PaneContext& context, QWidget* parent);
    ~CLeftView() override;

    // Builds and decorates the tree and selects the message group (first call only).
    void InitialUpdate();
    // Shows a walked tree: only its expanded nodes open, its selected node current.
    void ShowTree(std::unique_ptr<viewer::doc::tree::MemoryTree> tree);

    void OnUpdate(viewer::doc::document::DocumentView* sender,
                  viewer::doc::model::ElementRef* hint) override;
    bool OnCommand(std::uint32_t command) override;

    const viewer::doc::tree::TreeIndex& Index() const { return m_index; }
    TreeModel* Model() const { return m_model; }
    // The element of the current node; null when none.
    viewer::doc::model::ElementRef* CurrentElement() const;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void drawBranches(QPainter* painter, const QRect& rect,
                      const QModelIndex& index) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    viewer::doc::model::ElementRef* ElementAt(const QModelIndex& index) const;
    // Opens the attachment at `index` when its element can be opened; false otherwise.
    bool OpenAttachmentAt(const QModelIndex& index);

    PaneContext m_context;
    TreeModel* m_model = nullptr;
    viewer::doc::tree::TreeIndex m_index;
    bool m_built = false;
};

} // namespace viewer::ui
