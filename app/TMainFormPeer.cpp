// The main window's side of the peer link: routing lines between the link and the game
// windows, the client's polling timer, and the link's two kinds of window.
#include "app/TMainForm.h"

#include "app/OptionsMenu.h"
#include "board/TMDIChild.h"
#include "game/TimeControl.h"
#include "peer/GameTermsDialog.h"
#include "peer/PeerLink.h"
#include "peer/PeerProtocol.h"
#include "peer/Unit1.h"
#include "peer/Unit2.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
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
const QString kPeerSection = QStringLiteral("Peer");
const QString kPlayerNameKey = QStringLiteral("PlayerName");
const QString kTermsColourKey = QStringLiteral("TermsColour");
const QString kTermsTimeControlKey = QStringLiteral("TermsTimeControl");

QString loginName() {
    const QString name = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return name.isEmpty() ? QStringLiteral("Player") : name;
}

} // namespace

void TMainForm::attachPeerLink() {
    m_link = new PeerLink(this);
    connect(m_link, &PeerLink::peerConnected, this, &TMainForm::openPeerGameWindow);
    connect(m_link, &PeerLink::lineReceived, this, &TMainForm::HandlePeerLine);
    connect(m_link, &PeerLink::extendedLog, this, &TMainForm::AddConsoleLine);
    connect(m_link, &PeerLink::extendedMessage, this, &TMainForm::handleExtendedMessage);
    m_link->SetPlayerName(PlayerName());
    QAction* playerName = m_options->menu()->addAction(QStringLiteral("Player &Name..."));
    playerName->setObjectName(QStringLiteral("PlayerName1"));
    connect(playerName, &QAction::triggered, this, &TMainForm::PlayerName1Click);
    QAction* gameTerms = m_options->menu()->addAction(QStringLiteral("Game &Terms..."));
    gameTerms->setObjectName(QStringLiteral("GameTerms1"));
    connect(gameTerms, &QAction::triggered, this, &TMainForm::GameTerms1Click);
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

QString TMainForm::PlayerName() const {
    const QString stored = m_options->Setting(kPeerSection, kPlayerNameKey);
    return stored.trimmed().isEmpty() ? loginName() : stored;
}

void TMainForm::PlayerName1Click() {
    bool ok = false;
    const QString name = QInputDialog::getText(this, QStringLiteral("Player Name"),
                                               QStringLiteral("Your name, as peers see it:"),
                                               QLineEdit::Normal, PlayerName(), &ok);
    if (!ok)
        return;
    m_options->WriteSetting(kPeerSection, kPlayerNameKey, name.trimmed());
    m_link->SetPlayerName(PlayerName());
}

GameTerms TMainForm::OfferedTerms() const {
    GameTerms terms;
    terms.colour = gameTermsColourFromText(m_options->Setting(kPeerSection, kTermsColourKey));
    // A control that no longer reads (the file was edited by hand) means no clock.
    const QString control = m_options->Setting(kPeerSection, kTermsTimeControlKey);
    if (ParseTimeControl(control.toStdString()).control)
        terms.timeControl = control;
    return terms;
}

void TMainForm::GameTerms1Click() {
    GameTermsDialog dialog(OfferedTerms(), this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_options->WriteSetting(kPeerSection, kTermsColourKey,
                            gameTermsColourText(dialog.Chosen().colour));
    m_options->WriteSetting(kPeerSection, kTermsTimeControlKey, dialog.Chosen().timeControl);
}

void TMainForm::handleExtendedMessage(const ExtendedMessage& message) {
    // Only the hello is taken up so far; a peer of this version sends nothing else.
    if (message.kind == ExtendedKind::Hello)
        AddConsoleLine(QStringLiteral("\r\n%1 speaks the extended protocol, version %2.")
                           .arg(message.name)
                           .arg(std::min(message.version, kExtendedVersion)));
}

QWidget* TMainForm::makeLinkWindow(bool connection) {
    if (connection)
        return new TForm1(*m_link);
    return new TForm2;
}

void TMainForm::attachToPeer(TMDIChild* window) {
    connect(window, &TMDIChild::userMoved, this,
            [this, window](const QString& from, const QString& to, const QString& letter) {
                // Only the peer game takes part; a game against an engine or from a file
                // does not.
                if (isPeerGameTitle(window->windowTitle()))
                    SendToPeer(moveLine(from, to, letter));
            });
    connect(window, &TMDIChild::chatEntered, this,
            [this, window](const QString& text) { sendChat(window, text); });
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
    // Without a letter the local user is asked.
    window->MakeMoveFromOutside(message.from.toStdString(), message.to.toStdString(),
                                message.promotionChoice.toStdString());
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
