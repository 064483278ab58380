#pragma once

#include <QDialog>
#include <QString>

class QPushButton;

// The promotion dialog, one for the whole program: four buttons for the piece that a pawn
// reaching the last rank becomes.
class TPromotionForm : public QDialog {
    Q_OBJECT
public:
    // The program's one dialog, made on first use.
    static TPromotionForm& Instance();

    // Asks modally, placed 100 pixels right of and below the asking window's top-left
    // corner. Returns "Queen", "Rook", "Bishop" or "Knight", or empty when the dialog was
    // closed without a choice. The answer goes back to the asker alone. While the dialog is
    // already asking for another window, the asker waits until that question is answered
    // and is then asked in turn; returns empty when the asker was freed meanwhile.
    QString Ask(QWidget* asker);

private:
    explicit TPromotionForm(QWidget* parent = nullptr);
    void Choose(const QString& piece);

    // Where the open question's answer goes: a question asked while another waits runs
    // inside the other's event loop, so each keeps its own answer.
    QString* m_answer = nullptr;
};
