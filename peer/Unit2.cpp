#include "peer/Unit2.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

// The platform's "fixed font" is empty where no theme names one (the offscreen platform, a
// bare window manager), and Qt then falls back to a proportional face. Asking by style hint
// and pitch, with the generic family fontconfig maps to its monospace face, finds a
// fixed-pitch font on every platform.
QFont FixedPitchFont() {
    QFont font(QStringLiteral("monospace"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

} // namespace

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
    m_memo1->setFont(FixedPitchFont());
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
