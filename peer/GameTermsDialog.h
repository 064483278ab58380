#pragma once

#include "peer/GameTerms.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QRadioButton;

// "Game Terms": the radio buttons "White", "Black" and "Random" for the waiting player's
// colour, and the text field "Time control" (empty for no clock). OK closes the dialog only
// when the field is empty or holds a time control the clock reads; otherwise a line says
// why the text was refused.
class GameTermsDialog : public QDialog {
    Q_OBJECT
public:
    GameTermsDialog(const GameTerms& current, QWidget* parent = nullptr);

    // What was accepted, the time control in its canonical text.
    const GameTerms& Chosen() const { return m_chosen; }

    void accept() override;

private:
    QRadioButton* m_white = nullptr;
    QRadioButton* m_black = nullptr;
    QRadioButton* m_random = nullptr;
    QLineEdit* m_field = nullptr;
    QLabel* m_reason = nullptr;
    GameTerms m_chosen;
};
