#include "peer/GameTermsDialog.h"

#include "game/TimeControl.h"
#include "peer/PeerExtendedProtocol.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QRadioButton* colourButton(const char* caption, QWidget* parent) {
    auto* button = new QRadioButton(QString::fromLatin1(caption), parent);
    button->setObjectName(QString::fromLatin1(caption) + QStringLiteral("Colour"));
    button->setAccessibleName(QString::fromLatin1(caption));
    return button;
}

} // namespace

GameTermsDialog::GameTermsDialog(const GameTerms& current, QWidget* parent)
    : QDialog(parent), m_chosen(current) {
    setWindowTitle(QStringLiteral("Game Terms"));
    setObjectName(QStringLiteral("GameTermsDialog"));

    auto* colours = new QGroupBox(QStringLiteral("Your colour"), this);
    m_white = colourButton("White", colours);
    m_black = colourButton("Black", colours);
    m_random = colourButton("Random", colours);
    auto* group = new QButtonGroup(this);
    auto* row = new QHBoxLayout(colours);
    for (QRadioButton* button : {m_white, m_black, m_random}) {
        group->addButton(button);
        row->addWidget(button);
    }
    switch (current.colour) {
    case GameTerms::Colour::White:
        m_white->setChecked(true);
        break;
    case GameTerms::Colour::Black:
        m_black->setChecked(true);
        break;
    case GameTerms::Colour::Random:
        m_random->setChecked(true);
        break;
    }

    auto* label =
        new QLabel(QStringLiteral("Time control (5+3, 40/90; empty for no clock):"), this);
    m_field = new QLineEdit(current.timeControl, this);
    m_field->setObjectName(QStringLiteral("TimeControlEdit"));
    m_field->setAccessibleName(QStringLiteral("Time control"));
    m_field->setMaxLength(kMaxControlBytes);
    label->setBuddy(m_field);

    m_reason = new QLabel(this);
    m_reason->setObjectName(QStringLiteral("GameTermsReason"));
    m_reason->setAccessibleName(QStringLiteral("Reason"));
    m_reason->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &GameTermsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &GameTermsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(colours);
    layout->addWidget(label);
    layout->addWidget(m_field);
    layout->addWidget(m_reason);
    layout->addWidget(buttons);
}

void GameTermsDialog::accept() {
    GameTerms chosen;
    chosen.colour = m_white->isChecked()   ? GameTerms::Colour::White
                    : m_black->isChecked() ? GameTerms::Colour::Black
                                           : GameTerms::Colour::Random;
    const std::string text = m_field->text().trimmed().toStdString();
    if (!text.empty()) {
        const ParsedTimeControl parsed = ParseTimeControl(text);
        // The terms travel in one word of the terms line.
        const std::string canonical = parsed.control ? parsed.control->Text() : std::string();
        if (!parsed.control || canonical.size() > static_cast<size_t>(kMaxControlBytes)) {
            m_reason->setText(QStringLiteral("Not a time control: ") +
                              QString::fromStdString(parsed.control ? "too long" : parsed.error) +
                              QLatin1Char('.'));
            m_field->setFocus();
            return;
        }
        chosen.timeControl = QString::fromStdString(canonical);
    }
    m_chosen = chosen;
    QDialog::accept();
}
