#pragma once

#include <QWidget>

class QPlainTextEdit;

// The Main Console: a read-only log of the program's connection and engine messages in
// one text field, Memo1. The user cannot type into it.
class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);

    // Adds `text` as new lines at the end; "\r\n" (or "\n") inside it starts a new line,
    // so "\r\nText" shows an empty line and then the text.
    void AddLine(const QString& text);

    QPlainTextEdit* Memo1() const { return m_memo1; }

private:
    QPlainTextEdit* m_memo1 = nullptr;
};
