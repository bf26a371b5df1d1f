#include "viewer/ui/row_pane_accessible.h"

#include <QAccessibleWidget>

#include "viewer/ui/row_pane.h"

namespace viewer::ui {

namespace {

class RowPaneAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit RowPaneAccessible(RowPane* pane) : QAccessibleWidget(pane, QAccessible::EditableText)
    {
    }

    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.readOnly = true;
        state.multiLine = true;
        return state;
    }

    QString text(QAccessible::Text type) const override
    {
        return type == QAccessible::Value ? VisibleText() : QAccessibleWidget::text(type);
    }

    // The rows in view have no selection or cursor of their own to offer.
    void selection(int, int* startOffset, int* endOffset) const override
    {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override {}
    void removeSelection(int) override {}
    void setSelection(int, int, int) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override {}

    QString text(int startOffset, int endOffset) const override
    {
        return VisibleText().mid(startOffset, endOffset - startOffset);
    }

    int characterCount() const override { return static_cast<int>(VisibleText().size()); }

    QRect characterRect(int offset) const override
    {
        const Lines lines = VisibleLines();
        for (qsizetype i = 0; i < lines.texts.size(); ++i) {
            const qsizetype length = lines.texts[i].size();
            if (offset <= length) {
                const QRect local = Pane()->CharacterRect(
                    lines.first + static_cast<std::uint64_t>(i), static_cast<std::size_t>(offset));
                return {Pane()->viewport()->mapToGlobal(local.topLeft()), local.size()};
            }
            offset -= static_cast<int>(length) + 1;
        }
        return {};
    }

    int offsetAtPoint(const QPoint& point) const override
    {
        const Lines lines = VisibleLines();
        const auto cell = Pane()->CellAt(Pane()->viewport()->mapFromGlobal(point));
        if (!cell || lines.texts.isEmpty()) {
            return -1;
        }
        int offset = 0;
        const auto line = static_cast<qsizetype>(cell->first - lines.first);
        for (qsizetype i = 0; i < line && i < lines.texts.size(); ++i) {
            offset += static_cast<int>(lines.texts[i].size()) + 1;
        }
        if (line >= lines.texts.size()) {
            return -1;
        }
        return offset + static_cast<int>(std::min<qsizetype>(static_cast<qsizetype>(cell->second),
                                                             lines.texts[line].size()));
    }

    void scrollToSubstring(int startIndex, int /*endIndex*/) override
    {
        const Lines lines = VisibleLines();
        std::uint64_t row = lines.first;
        for (qsizetype i = 0; i < lines.texts.size() && startIndex > lines.texts[i].size(); ++i) {
            startIndex -= static_cast<int>(lines.texts[i].size()) + 1;
            ++row;
        }
        Pane()->EnsureRowVisible(row);
    }

    QString attributes(int offset, int* startOffset, int* endOffset) const override
    {
        // One run without attributes over the whole text.
        *startOffset = offset < 0 ? -1 : 0;
        *endOffset = offset < 0 ? -1 : characterCount();
        return {};
    }

private:
    struct Lines {
        std::uint64_t first = 0;
        QStringList texts;
    };

    RowPane* Pane() const { return static_cast<RowPane*>(widget()); }

    Lines VisibleLines() const
    {
        Lines lines;
        const auto rows = Pane()->RowsInView();
        if (!rows) {
            return lines;
        }
        lines.first = rows->first;
        const auto count = static_cast<std::size_t>(rows->last - rows->first + 1);
        for (const std::string& row : Pane()->RowTexts(rows->first, count)) {
            lines.texts << QString::fromStdString(row);
        }
        return lines;
    }

    QString VisibleText() const { return VisibleLines().texts.join(QLatin1Char('\n')); }
};

QAccessibleInterface* CreateAccessible(const QString& /*className*/, QObject* object)
{
    if (auto* pane = qobject_cast<RowPane*>(object)) {
        return new RowPaneAccessible(pane);
    }
    return nullptr;
}

} // namespace

void InstallRowPaneAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(CreateAccessible);
        return true;
    }();
    static_cast<void>(installed);
}

} // namespace viewer::ui
