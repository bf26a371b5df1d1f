// ProgressGate: the progress callback of a long copy on the interface thread. The work goes
// on in chunks; once it has taken 100 ms a window-modal progress dialog with Cancel appears
// and the callback lets it paint and take the click between chunks. A short copy shows
// nothing.
#pragma once

#include <cstdint>
#include <memory>

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include "platform/files.h"

class QProgressDialog;
class QWidget;

namespace viewer::ui {

class ProgressGate {
public:
    static constexpr int kDelayMs = 100;

    ProgressGate(QWidget* parent, QString label);
    ~ProgressGate();
    ProgressGate(const ProgressGate&) = delete;
    ProgressGate& operator=(const ProgressGate&) = delete;

    // The callback to hand to the document's copies; valid while the gate lives.
    platform::CopyProgress Callback();
    // True when the person cancelled (the copy then stops at its next chunk).
    bool Cancelled() const { return m_cancelled; }
    bool Shown() const { return static_cast<bool>(m_dialog); }

private:
    bool Report(std::uint64_t done, std::uint64_t total);

    QPointer<QWidget> m_parent;
    QString m_label;
    QElapsedTimer m_clock;
    std::unique_ptr<QProgressDialog> m_dialog;
    bool m_cancelled = false;
};

} // namespace viewer::ui
