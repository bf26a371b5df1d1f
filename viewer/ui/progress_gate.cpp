#include "viewer/ui/progress_gate.h"

#include <QApplication>
#include <QLabel>
#include <QProgressDialog>

namespace viewer::ui {

namespace {

// The dialog counts in thousandths: a QProgressDialog holds an int, a copy 64 bits.
constexpr int kSteps = 1000;

} // namespace

ProgressGate::ProgressGate(QWidget* parent, QString label)
    : m_parent(parent), m_label(std::move(label))
{
    m_clock.start();
}

ProgressGate::~ProgressGate() = default;

platform::CopyProgress ProgressGate::Callback()
{
    return [this](std::uint64_t done, std::uint64_t total) { return Report(done, total); };
}

bool ProgressGate::Report(std::uint64_t done, std::uint64_t total)
{
    if (m_cancelled) {
        return false;
    }
    if (!m_dialog && m_clock.elapsed() < kDelayMs) {
        return true;
    }
    if (!m_dialog) {
        m_dialog = std::make_unique<QProgressDialog>(QString(), QObject::tr("Cancel"), 0, kSteps,
                                                     m_parent);
        // The label may name a file from a mail: plain text, never markup.
        auto* label = new QLabel(m_label);
        label->setTextFormat(Qt::PlainText);
        m_dialog->setLabel(label);
        m_dialog->setWindowModality(Qt::WindowModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->show();
    }
    const double part =
        total == 0 ? 1.0 : static_cast<double>(std::min(done, total)) / static_cast<double>(total);
    const int value = static_cast<int>(part * kSteps);
    // A window-modal dialog processes the pending events here: it paints and takes a click.
    m_dialog->setValue(std::min(value, kSteps - 1));
    QApplication::processEvents();
    m_cancelled = m_dialog->wasCanceled();
    return !m_cancelled;
}

} // namespace viewer::ui
