#include "peer/Unit2.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

TForm2::TForm2(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Main Console"));
    setAttribute(Qt::WA_DeleteOnClose);

    m_memo1 = new QPlainTextEdit(this);
    m_memo1->setObjectName(QStringLiteral("Memo1"));
    m_memo1->setAccessibleName(QStringLiteral("Main Console"));
    m_memo1->setReadOnly(true);
    m_memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Reachable by a click (to select and copy), never by tabbing.
    m_memo1->setFocusPolicy(Qt::ClickFocus);
    m_memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    QPalette colours = m_memo1->palette();
    colours.setColor(QPalette::Base, Qt::black);
    colours.setColor(QPalette::Text, QColor(192, 192, 192));
    m_memo1->setPalette(colours);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_memo1);
}

void TForm2::AddLine(const QString& text) {
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_memo1->appendPlainText(lines);
}
