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
    // already asking for another window it returns empty at once.
    QString Ask(QWidget* asker);

private:
    explicit TPromotionForm(QWidget* parent = nullptr);
    void Choose(const QString& piece);

    QString m_choice;
};
