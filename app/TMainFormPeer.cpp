// The main window's side of the peer link: routing lines between the link and the game
// windows, the client's polling timer, and the link's two kinds of window.
#include "app/TMainForm.h"

#include "board/TMDIChild.h"
#include "peer/PeerLink.h"
#include "peer/PeerProtocol.h"
#include "peer/Unit1.h"
#include "peer/Unit2.h"

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kPollInterval = 500; // ms between two lines taken from the client
// A peer's connection and its "/new" lines open windows here; beyond this many open peer
// games it opens none, whatever the quota over time still allows.
constexpr int kMaxPeerGameWindows = 64;
const QString kTooManyPeerWindows =
    QStringLiteral("\r\nPeers opened too many game windows; no more are opened for a while.");
const QString kConnectFailed = QStringLiteral("\r\nConnection could not be established!");

} // namespace

void TMainForm::attachPeerLink() {
    m_link = new PeerLink(this);
    connect(m_link, &PeerLink::peerConnected, this, &TMainForm::openPeerGameWindow);
    connect(m_link, &PeerLink::lineReceived, this, &TMainForm::HandlePeerLine);
    // A connect to an unreachable address can take minutes; the program keeps running.
    connect(m_link, &PeerLink::connectStarted, this,
            [] { QApplication::setOverrideCursor(Qt::BusyCursor); });
    connect(m_link, &PeerLink::connectFinished, this, [this](bool connected) {
        QApplication::restoreOverrideCursor();
        if (connected)
            MakeGameWindow(QStringLiteral("Active Game"));
        else
            AddConsoleLine(kConnectFailed);
    });
    // Shown after the send has returned, outside the drop or key handler that sent.
    connect(m_link, &PeerLink::sendFailed, this, &TMainForm::showSendFailure, Qt::QueuedConnection);

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName(QStringLiteral("Timer1"));
    m_timer1->setInterval(kPollInterval);
    connect(m_timer1, &QTimer::timeout, this, &TMainForm::Timer1Timer);
    m_timer1->start();
}

QWidget* TMainForm::makeLinkWindow(bool connection) {
    if (connection)
        return new TForm1(*m_link);
    return new TForm2;
}

void TMainForm::attachToPeer(TMDIChild* window) {
    window->peerMoveHook = [this, window](const QString& from, const QString& to) {
        // Only the peer game takes part; a game against an engine or from a file does not.
        if (!isPeerGameTitle(window->windowTitle()))
            return;
        const QString letter = QString::fromStdString(window->game().Model().promotionLetter);
        SendToPeer(moveLine(from, to, letter));
    };
    window->peerChatHook = [this, window](const QString& text) { sendChat(window, text); };
}

void TMainForm::SendToPeer(const QByteArray& line) {
    m_link->Send(line);
}

void TMainForm::sendChat(TMDIChild* window, const QString& text) {
    QString tag;
    if (m_link->ServerActive())
        tag = QStringLiteral("Server: ");
    else if (m_link->ClientConnected())
        tag = QStringLiteral("Client: ");
    else
        return;
    SendToPeer(chatLine(tag, text));
    window->AddChatLine(tag + text);
}

void TMainForm::showSendFailure(const QString& error) {
    // Several connections breaking at once make one message, not a queue of them.
    if (m_showingSendFailure)
        return;
    m_showingSendFailure = true;
    QMessageBox::critical(this, QStringLiteral("Error"), error);
    m_showingSendFailure = false;
}

TMDIChild* TMainForm::PeerGameWindow() const {
    for (TMDIChild* game : GameWindows()) {
        if (isPeerGameTitle(game->windowTitle()))
            return game;
    }
    return nullptr;
}

int TMainForm::peerGameWindowCount() const {
    const std::vector<TMDIChild*> games = GameWindows();
    return static_cast<int>(std::count_if(games.begin(), games.end(), [](TMDIChild* game) {
        return isPeerGameTitle(game->windowTitle());
    }));
}

void TMainForm::openPeerGameWindow() {
    if (peerGameWindowCount() < kMaxPeerGameWindows && m_peerWindowQuota.Take()) {
        MakeGameWindow(QStringLiteral("Active Game"));
        m_peerWindowRefusalShown = false;
        return;
    }
    // Said once per run of refusals, so that a flood of them does not flood the console too.
    if (!m_peerWindowRefusalShown)
        AddConsoleLine(kTooManyPeerWindows);
    m_peerWindowRefusalShown = true;
}

void TMainForm::HandlePeerLine(const QByteArray& line) {
    const PeerMessage message = parsePeerLine(line);
    switch (message.kind) {
    case PeerMessageKind::Ignored:
        return;
    case PeerMessageKind::NewGame:
        openPeerGameWindow();
        return;
    case PeerMessageKind::Chat:
        if (TMDIChild* window = PeerGameWindow())
            window->AddChatLine(message.chatText);
        return;
    case PeerMessageKind::Move:
        break;
    }
    TMDIChild* window = PeerGameWindow();
    if (!window)
        return;
    BoardModel& model = window->game().Model();
    // Without a letter the local user is asked; a refused move empties the choice.
    model.promotionChoice = message.promotionChoice.toStdString();
    window->game().MakeMove(message.from.toStdString(), message.to.toStdString());
    model.promotionLetter.clear();
}

void TMainForm::Timer1Timer() {
    // A line may open the promotion question, whose event loop must not start a second tick.
    m_timer1->stop();
    if (std::optional<QByteArray> line = m_link->TakeClientLine())
        HandlePeerLine(*line);
    m_timer1->start();
}

void TMainForm::AddStartupConsoleLine(const QString& text) {
    if (m_startupConsole)
        m_startupConsole->AddLine(text);
}

void TMainForm::AddConsoleLine(const QString& text) {
    for (QMdiSubWindow* window : m_workspace->subWindowList()) {
        if (auto* console = qobject_cast<TForm2*>(window->widget()))
            console->AddLine(text);
    }
}
