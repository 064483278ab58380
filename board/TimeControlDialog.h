#pragma once

#include "game/TimeControl.h"

#include <QDialog>

#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;

// "Time Control": one text field (accessible name "Time control") that takes a typed
// time control, a list of presets that fill it, and a line that says why a text was
// refused. An empty field means no clock. OK closes the dialog only on a text that reads.
class TimeControlDialog : public QDialog {
    Q_OBJECT
public:
    // Opens with the text of `current`, or empty for no clock.
    TimeControlDialog(const std::optional<TimeControl>& current, QWidget* parent = nullptr);

    // What was accepted: the control, or none for no clock.
    const std::optional<TimeControl>& Chosen() const { return m_chosen; }

    void accept() override;

private:
    QLineEdit* m_field = nullptr;
    QComboBox* m_presets = nullptr;
    QLabel* m_reason = nullptr;
    std::optional<TimeControl> m_chosen;
};
