#include "Promotion.h"

#include <QCoreApplication>
#include <QPointer>
#include <QPushButton>

namespace {

struct ChoiceButton {
    const char* name;
    const char* piece;
    int x;
};

constexpr ChoiceButton kButtons[] = {
    {"Button1", "Queen", 8},
    {"Button2", "Rook", 88},
    {"Button3", "Bishop", 168},
    {"Button4", "Knight", 248},
};

} // namespace

TPromotionForm& TPromotionForm::Instance() {
    static QPointer<TPromotionForm> instance;
    if (!instance) {
        instance = new TPromotionForm;
        // Gone with the application, before the widgets' platform is taken down.
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, instance.data(),
                         &QObject::deleteLater);
    }
    return *instance;
}

TPromotionForm::TPromotionForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("PromotionForm"));
    setWindowTitle(QStringLiteral("Please select the piece:"));
    QFont dialogFont(QStringLiteral("MS Sans Serif"));
    dialogFont.setPixelSize(11);
    setFont(dialogFont);
    setFixedSize(332, 41);
    for (const ChoiceButton& b : kButtons) {
        auto* button = new QPushButton(QString::fromLatin1(b.piece), this);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setGeometry(b.x, 8, 75, 25);
        button->setAutoDefault(false);
        const QString piece = QString::fromLatin1(b.piece);
        connect(button, &QPushButton::clicked, this, [this, piece] { Choose(piece); });
    }
}

QString TPromotionForm::Ask(QWidget* asker) {
    if (isVisible())
        return {};
    m_choice.clear();
    move(asker->mapToGlobal(QPoint(0, 0)) + QPoint(100, 100));
    exec();
    return m_choice;
}

void TPromotionForm::Choose(const QString& piece) {
    m_choice = piece;
    accept();
}
