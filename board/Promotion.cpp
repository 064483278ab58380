#include "Promotion.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QPushButton>

#include <utility>

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
    const QPointer<QWidget> guard(asker);
    while (isVisible()) {
        QEventLoop wait;
        connect(this, &QDialog::finished, &wait, &QEventLoop::quit);
        connect(this, &QObject::destroyed, &wait, &QEventLoop::quit);
        connect(qApp, &QCoreApplication::aboutToQuit, &wait, &QEventLoop::quit);
        wait.exec();
        if (QCoreApplication::closingDown())
            return {};
    }
    if (!guard)
        return {};
    QString answer;
    QString* const outer = std::exchange(m_answer, &answer);
    move(asker->mapToGlobal(QPoint(0, 0)) + QPoint(100, 100));
    // A loop of its own rather than exec(): the waiting asker's question is shown while the
    // first one's loop is still on the stack, where exec() refuses to run again.
    QEventLoop question;
    connect(this, &QDialog::finished, &question, &QEventLoop::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, &question, &QEventLoop::quit);
    setWindowModality(Qt::ApplicationModal);
    show();
    question.exec(QEventLoop::DialogExec);
    m_answer = outer;
    return answer;
}

void TPromotionForm::Choose(const QString& piece) {
    if (m_answer)
        *m_answer = piece;
    accept();
}
