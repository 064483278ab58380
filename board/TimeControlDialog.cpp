#include "TimeControlDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

// Bullet, blitz, rapid, classical and a tournament control with a second session.
const char* const kPresets[] = {"1+0",  "2+1",   "3+0",  "3+2",   "5+0",   "5+3",        "10+0",
                                "10+5", "15+10", "30+0", "90+30", "40/90", "40/90,30+30"};

} // namespace

TimeControlDialog::TimeControlDialog(const std::optional<TimeControl>& current, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Time Control"));
    setObjectName(QStringLiteral("TimeControlDialog"));

    auto* explanation = new QLabel(
        QStringLiteral("Minutes + seconds added per move (5+3), moves / minutes (40/90),\n"
                       "or sessions in turn (40/90,30+30). Leave empty for no clock."),
        this);
    m_field = new QLineEdit(this);
    m_field->setObjectName(QStringLiteral("TimeControlEdit"));
    m_field->setAccessibleName(QStringLiteral("Time control"));
    m_field->setMaxLength(64);
    m_field->setText(current ? QString::fromStdString(current->Text()) : QString());
    explanation->setBuddy(m_field);

    m_presets = new QComboBox(this);
    m_presets->setObjectName(QStringLiteral("TimeControlPresets"));
    m_presets->setAccessibleName(QStringLiteral("Presets"));
    m_presets->addItem(QStringLiteral("Presets..."));
    m_presets->addItem(QStringLiteral("No clock"));
    for (const char* preset : kPresets) {
        m_presets->addItem(QString::fromLatin1(preset));
    }
    connect(m_presets, &QComboBox::activated, this, [this](int index) {
        if (index == 1) {
            m_field->clear();
        } else if (index > 1) {
            m_field->setText(m_presets->itemText(index));
        }
        m_reason->clear();
        m_field->setFocus();
    });

    m_reason = new QLabel(this);
    m_reason->setObjectName(QStringLiteral("TimeControlReason"));
    m_reason->setAccessibleName(QStringLiteral("Reason"));
    m_reason->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TimeControlDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TimeControlDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(explanation);
    layout->addWidget(m_field);
    layout->addWidget(m_presets);
    layout->addWidget(m_reason);
    layout->addWidget(buttons);
    m_field->setFocus();
}

void TimeControlDialog::accept() {
    const std::string text = m_field->text().trimmed().toStdString();
    if (text.empty()) {
        m_chosen.reset();
        QDialog::accept();
        return;
    }
    const ParsedTimeControl parsed = ParseTimeControl(text);
    if (!parsed.control) {
        m_reason->setText(QStringLiteral("Not a time control: ") +
                          QString::fromStdString(parsed.error) + QLatin1Char('.'));
        m_field->setFocus();
        return;
    }
    m_chosen = parsed.control;
    QDialog::accept();
}
