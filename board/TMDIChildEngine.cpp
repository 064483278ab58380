// The game window's engine: starting it, the xboard dialogue, the colour question, the
// Engine items of the Menu button and the poll of its replies.
#include "TMDIChild.h"

#include "engine/EngineReply.h"

#include <QActionGroup>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>

#include <cctype>

namespace {

constexpr int kPollMs = 1000;
// Before a game the xboard protocol expects "new": some engines (Fairy-Max) never answer
// a move without it. It sets what the dialogue assumes: the standard position, the engine
// playing Black.
const QByteArray kOpening = "xboard\nnew\nst 1\n";

} // namespace

void TMDIChild::BuildEngineParts(QMenu* popupAction) {
    QMenu* engine = popupAction->addMenu(QStringLiteral("Engine"));
    engine->setObjectName(QStringLiteral("EngineMenu"));
    m_engineItem = engine->menuAction();
    m_engineItem->setObjectName(QStringLiteral("Engine1"));
    QAction* compute = engine->addAction(QStringLiteral("Compute"));
    compute->setObjectName(QStringLiteral("Compute1"));
    connect(compute, &QAction::triggered, this, &TMDIChild::Compute1Click);

    QMenu* speed = engine->addMenu(QStringLiteral("Speed"));
    speed->menuAction()->setObjectName(QStringLiteral("Speed1"));
    auto* speeds = new QActionGroup(this);
    const struct {
        const char* name;
        void (TMDIChild::*handler)();
    } items[] = {{"Fast", &TMDIChild::Fast1Click},
                 {"Medium", &TMDIChild::Medium1Click},
                 {"Slow", &TMDIChild::Slow1Click}};
    for (const auto& entry : items) {
        QAction* item = speed->addAction(QString::fromLatin1(entry.name));
        item->setObjectName(QString::fromLatin1(entry.name) + QLatin1Char('1'));
        item->setCheckable(true);
        speeds->addAction(item);
        connect(item, &QAction::triggered, this, entry.handler);
    }
    m_speedItem = speeds->actions().front();
    m_speedItem->setChecked(true);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kPollMs);
    connect(m_timer1, &QTimer::timeout, this, &TMDIChild::Timer1Timer);
    connect(&m_engine, &EngineLink::WriteFailed, this, &TMDIChild::ShowEngineError);
}

void TMDIChild::ShowEngineError(const QString& text) {
    QMessageBox::critical(this, QApplication::applicationName(), text);
}

void TMDIChild::StartEngine(const QString& path) {
    if (m_engine.Attached())
        return;
    QString error;
    if (!m_engine.Start(path, &error)) {
        CloseEngineLink();
        ShowEngineError(error);
        return;
    }
    m_timer1->start();
    SendToEngine(kOpening);
    m_askingColour = true;
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, QStringLiteral("Color Selection"),
        QStringLiteral("Do you want to play white pieces?"), QMessageBox::Yes | QMessageBox::No);
    m_askingColour = false;
    if (answer == QMessageBox::No) {
        InvertBoard1Click();
        Compute1Click();
    }
}

void TMDIChild::SendToEngine(const QByteArray& text) {
    QString error;
    if (!m_engine.Send(text, &error))
        ShowEngineError(error);
}

void TMDIChild::SendMoveToEngine(const std::string& from, const std::string& to) {
    if (!m_engine.Attached())
        return;
    QByteArray text = QByteArray::fromStdString(from + to);
    for (const char letter : m_game.Model().promotionLetter)
        text += static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
    SendToEngine(text + '\n');
}

void TMDIChild::CloseEngineLink() {
    m_engine.Close();
    m_timer1->stop();
}

void TMDIChild::Compute1Click() {
    if (!m_engine.Attached())
        return;
    BoardModel& model = m_game.Model();
    model.engineColour = model.engineColour ? 0 : 1;
    SendToEngine("go\n");
}

void TMDIChild::SetSpeed(QAction* item, const QByteArray& command) {
    if (m_engine.Attached()) {
        SendToEngine(command);
        m_speedItem = item;
    }
    // Without an engine the ticks stay as they were, though the menu moved one.
    m_speedItem->setChecked(true);
}

void TMDIChild::Fast1Click() {
    SetSpeed(findChild<QAction*>(QStringLiteral("Fast1")), "st 1\n");
}

void TMDIChild::Medium1Click() {
    SetSpeed(findChild<QAction*>(QStringLiteral("Medium1")), "st 8\n");
}

void TMDIChild::Slow1Click() {
    SetSpeed(findChild<QAction*>(QStringLiteral("Slow1")), "st 15\n");
}

void TMDIChild::Timer1Timer() {
    m_timer1->stop();
    // A drag or the promotion question holds a move half-way; the reply waits for them.
    if (m_dragging || m_askingPromotion) {
        m_timer1->start();
        return;
    }
    if (const std::optional<QByteArray> line = m_engine.TakeReplyLine()) {
        MakeEngineMove(*line);
    } else if (m_engine.Ended()) {
        CloseEngineLink();
        return;
    }
    if (m_engine.Attached())
        m_timer1->start();
}

void TMDIChild::MakeEngineMove(const QByteArray& line) {
    BoardModel& model = m_game.Model();
    // The user can no longer move in a finished game, and neither can the engine.
    if (model.finished)
        return;
    const std::optional<EngineMove> move =
        ReadEngineMove(line.toStdString(), model.SideToMove() == 1);
    if (!move)
        return;
    model.promotionChoice = move->promotion;
    // A refused move is dropped silently and empties the choice; the engine is not told.
    m_game.MakeMove(move->from, move->to);
    // The engine's promotion letter is not the user's: it must not reach the next move text.
    model.promotionLetter.clear();
}
