// The main window's side of the peer link: routing lines between the link and the game
// windows, the client's polling timer, and the link's two kinds of window.
#include "app/TMainForm.h"

#include "app/OptionsMenu.h"
#include "board/TMDIChild.h"
#include "game/Clock.h"
#include "game/Fen.h"
#include "game/Piece.h"
#include "game/TimeControl.h"
#include "peer/GameTermsDialog.h"
#include "peer/PeerConnection.h"
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
#include <QPushButton>
#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <chrono>

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

const QString kGameAborted = QStringLiteral(" - (Aborted)");

// The title's result for a win of `white` (1 White, 0 Black).
std::string winFor(std::uint8_t white) {
    return white ? " - (White Wins)" : " - (Black Wins)";
}

// The half-moves left when the last move of `asker` is taken back, with the board at `live`
// half-moves: the asker is to move again afterwards. None when the asker has not moved.
std::optional<int> takeBackTarget(int live, std::uint8_t asker) {
    const std::uint8_t toMove = live % 2 == 0 ? 1 : 0;
    const int target = live - (toMove == asker ? 2 : 1);
    if (target < 0)
        return std::nullopt;
    return target;
}

QString loginName() {
    const QString name = qEnvironmentVariable("USER", qEnvironmentVariable("USERNAME"));
    return name.isEmpty() ? QStringLiteral("Player") : name;
}

} // namespace

void TMainForm::attachPeerLink() {
    m_link = new PeerLink(this);
    connect(m_link, &PeerLink::peerConnected, this, [this](PeerConnection* connection) {
        trackPeerGame(connection, openPeerGameWindow());
    });
    connect(m_link, &PeerLink::lineReceived, this,
            [this](PeerConnection* connection, const QByteArray& line) {
                HandlePeerLine(line, connection);
            });
    connect(m_link, &PeerLink::extendedLog, this, &TMainForm::AddConsoleLine);
    connect(m_link, &PeerLink::extendedMessage, this, &TMainForm::handleExtendedMessage);
    m_link->SetPlayerName(PlayerName());
    // The peer game's own settings, apart from the board's.
    m_options->menu()->addSeparator();
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
            trackPeerGame(m_link->ClientConnection(),
                          MakeGameWindow(QStringLiteral("Active Game")));
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
    attachPeerResume();
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

void TMainForm::trackPeerGame(PeerConnection* connection, TMDIChild* window) {
    // A server's connection is deleted when it ends (the client's is used again); a new
    // one made at the same address replaces its entry here before it can say anything.
    std::erase_if(m_peerGames, [](const auto& entry) { return !entry.second.connection; });
    PeerGameState& state = m_peerGames[connection] = PeerGameState();
    state.connection = connection;
    state.window = window;
}

void TMainForm::handleExtendedMessage(PeerConnection* connection, const ExtendedMessage& message) {
    const auto found = m_peerGames.find(connection);
    if (found == m_peerGames.end())
        return;
    PeerGameState& state = found->second;
    const bool fromServer = connection == m_link->ClientConnection();
    switch (message.kind) {
    case ExtendedKind::Hello:
        state.opponent = message.name;
        if (state.window)
            state.window->SetOpponentName(message.name);
        AddConsoleLine(QStringLiteral("\r\n%1 speaks the extended protocol, version %2.")
                           .arg(message.name)
                           .arg(std::min(message.version, kExtendedVersion)));
        if (!fromServer)
            offerTerms(connection, state);
        else
            askToResume(connection);
        return;
    case ExtendedKind::Terms:
        if (fromServer && state.window && !holdTermsForResume(message))
            askTerms(connection, message);
        return;
    case ExtendedKind::Accept:
        if (!fromServer && state.terms && state.terms->game == message.game)
            applyTerms(state, state.terms->colour == PeerColour::White ? 1 : 0);
        return;
    case ExtendedKind::Decline:
        if (fromServer && resumeRefused(connection, message))
            return;
        if (!fromServer && state.terms && state.terms->game == message.game)
            AddConsoleLine(QStringLiteral("\r\n%1 declined the terms; the game has no colours.")
                               .arg(state.opponent));
        return;
    case ExtendedKind::Ping: {
        ExtendedMessage pong = plainMessage(ExtendedKind::Pong);
        pong.token = message.token;
        m_link->SendOn(connection, extendedLine(pong));
        return;
    }
    case ExtendedKind::Pong:
        receivePong(state, message.token);
        return;
    case ExtendedKind::Resume:
        receiveResume(connection, state, message);
        return;
    default:
        handleGameMessage(state, message);
        return;
    }
}

void TMainForm::handleGameMessage(PeerGameState& state, const ExtendedMessage& message) {
    // Only a game whose colours were agreed is played under the extended protocol.
    if (!state.window || !state.window->PeerColour())
        return;
    switch (message.kind) {
    case ExtendedKind::Move:
        receivePeerMove(state, message);
        return;
    case ExtendedKind::Resign:
        if (!state.window->game().Model().finished)
            AddConsoleLine(QStringLiteral("\r\n%1 resigned.").arg(state.opponent));
        state.window->EndPeerGame(winFor(*state.window->PeerColour()));
        return;
    case ExtendedKind::Draw:
        receiveDraw(state, message.answer);
        return;
    case ExtendedKind::TakeBack:
        receiveTakeBack(state, message.answer);
        return;
    case ExtendedKind::Abort:
        receiveAbort(state);
        return;
    case ExtendedKind::Resync:
        receiveResync(state, message.ply);
        return;
    case ExtendedKind::Flag:
        receiveFlagClaim(state);
        return;
    case ExtendedKind::FlagAnswer:
        receiveFlagAnswer(state, message);
        return;
    case ExtendedKind::Rematch:
        receiveRematch(state);
        return;
    default:
        // A peer of this version sends nothing else yet.
        return;
    }
}

TMainForm::PeerGameState* TMainForm::extendedGameOf(TMDIChild* window) {
    if (!window->PeerColour())
        return nullptr;
    for (auto& [connection, state] : m_peerGames) {
        if (state.window == window && state.connection)
            return &state;
    }
    return nullptr;
}

TMainForm::PeerGameState* TMainForm::openGameOn(const QPointer<PeerConnection>& connection) {
    // A prompt's answer counts only while its connection and its game are still there.
    const auto found = m_peerGames.find(connection.data());
    if (!connection || found == m_peerGames.end() || !found->second.window ||
        found->second.window->game().Model().finished)
        return nullptr;
    return &found->second;
}

void TMainForm::sendOnGame(PeerGameState& state, const ExtendedMessage& message) {
    m_link->SendOn(state.connection, extendedLine(message));
}

void TMainForm::peerResign(PeerGameState& state) {
    sendOnGame(state, plainMessage(ExtendedKind::Resign));
    state.endedHereAt = state.window->game().LivePosition();
    state.window->EndPeerGame(winFor(*state.window->PeerColour() ? 0 : 1));
}

void TMainForm::peerOfferDraw(PeerGameState& state) {
    if (state.drawOffered || state.drawWithNextMove)
        return;
    // An offer is made on the opponent's turn, so that no move of its sender can cross the
    // answer on the wire; on its own turn the sender's offer goes with its next move.
    if (state.window->game().Model().SideToMove() == *state.window->PeerColour()) {
        state.drawWithNextMove = true;
        AddConsoleLine(QStringLiteral("\r\nYour draw offer goes with your next move."));
        return;
    }
    state.drawOffered = true;
    sendOnGame(state, plainMessage(ExtendedKind::Draw));
}

void TMainForm::peerAskTakeBack(PeerGameState& state) {
    const std::optional<int> target =
        takeBackTarget(state.window->game().LivePosition(), *state.window->PeerColour());
    if (!target || state.takeBackTo)
        return;
    state.takeBackTo = target;
    sendOnGame(state, plainMessage(ExtendedKind::TakeBack));
}

void TMainForm::peerAbort(PeerGameState& state) {
    if (state.window->game().LivePosition() >= 2)
        return;
    sendOnGame(state, plainMessage(ExtendedKind::Abort));
    state.endedHereAt = state.window->game().LivePosition();
    state.window->EndPeerGame(kGameAborted.toStdString());
}

std::optional<qint64> TMainForm::ownTimeOnWire(const TMDIChild& window) {
    const Clock* clock = window.GameClock();
    if (!clock)
        return std::nullopt;
    const qint64 left = std::chrono::duration_cast<std::chrono::milliseconds>(
                            clock->Remaining(*window.PeerColour()))
                            .count();
    return std::clamp<qint64>(left, 0, kMaxTimeMs);
}

void TMainForm::sendPeerMove(PeerGameState& state, const QString& from, const QString& to,
                             const QString& letter) {
    autosavePeerGame(state);
    const BoardModel& model = state.window->game().Model();
    ExtendedMessage move = plainMessage(ExtendedKind::Move);
    move.ply = std::min(state.window->game().LivePosition(), kMaxPly);
    move.from = from;
    move.to = to;
    if (!letter.isEmpty())
        move.promotionKind = QString::fromStdString(PromotionKindOfLetter(letter[0].toLatin1()));
    move.remainingMs = ownTimeOnWire(*state.window);
    move.fen = QByteArray::fromStdString(FenText(model));
    sendOnGame(state, move);
    state.resyncFrom.reset();
    // Each move measures the link afresh, under the load the game puts on it.
    if (move.remainingMs)
        sendPing(state);
    if (state.drawWithNextMove) {
        state.drawWithNextMove = false;
        state.drawOffered = true;
        sendOnGame(state, plainMessage(ExtendedKind::Draw));
    }
}

void TMainForm::receivePeerMove(PeerGameState& state, const ExtendedMessage& move) {
    TMDIChild* window = state.window;
    const BoardModel& model = window->game().Model();
    const QString text = move.from + move.to;
    const int expected = window->game().LivePosition() + 1;
    if (state.resyncFrom && !state.resyncAccepted) {
        // The moves sent again wait for this side's user to take them.
        if (state.resyncMoves.size() < kMaxResyncMoves)
            state.resyncMoves.push_back(move);
        return;
    }
    if (state.flagClaimedAt && !model.finished) {
        // The move crossed this side's flag claim; the answer, which follows it, decides.
        if (state.moveAfterClaim)
            AddConsoleLine(QStringLiteral("\r\nRefused the peer's move %1: a flag claim waits "
                                          "for its answer.")
                               .arg(text));
        else
            state.moveAfterClaim = move;
        return;
    }
    if (model.finished) {
        if (!recordCrossingMove(state, move))
            AddConsoleLine(
                QStringLiteral("\r\nRefused the peer's move %1: the game is over.").arg(text));
        return;
    }
    if (move.ply != expected) {
        offerResync(state, std::min(move.ply, expected),
                    QStringLiteral("the peer's move %1 is half-move %2, this board's next is %3.")
                        .arg(text)
                        .arg(move.ply)
                        .arg(expected));
        return;
    }
    // While the moves are sent again they are the peer's board's, of either colour.
    const std::uint8_t mover = model.SideToMove();
    if (mover == *window->PeerColour() && !state.resyncAccepted) {
        AddConsoleLine(
            QStringLiteral("\r\nRefused the peer's move %1: it is not the peer's turn.").arg(text));
        return;
    }
    const bool timed = move.remainingMs && window->GameClock() && mover != *window->PeerColour();
    const ClockTime remaining = std::chrono::milliseconds(move.remainingMs.value_or(0));
    // The mover's clock is the truth for its time: a flag that fell here while its move was
    // on the wire is lifted first, when the move came in time.
    if (timed)
        window->SetPeerClockTime(mover, remaining);
    if (!makePeerMove(window, move)) {
        offerResync(state, move.ply,
                    QStringLiteral("the peer's move %1 is not legal here.").arg(text));
        return;
    }
    state.drawOffered = false;
    if (timed) {
        // Its own time, not the time the line took on the wire.
        window->SetPeerClockTime(mover, remaining);
        state.flagClaimPending = false;
        if (remaining == ClockTime{0})
            window->EndOnFlag(mover);
    }
    if (QByteArray::fromStdString(FenText(model)) != move.fen)
        offerResync(
            state, move.ply,
            QStringLiteral("after %1 the peer has %2, this board %3.")
                .arg(text, QString::fromLatin1(move.fen), QString::fromStdString(FenText(model))));
    autosavePeerGame(state);
}

void TMainForm::receiveDraw(PeerGameState& state, PeerAnswer answer) {
    TMDIChild* window = state.window;
    if (window->game().Model().finished)
        return;
    if (answer == PeerAnswer::Offer) {
        // The offer lapses when the one it was made to moves instead.
        const int live = window->game().LivePosition();
        const QPointer<PeerConnection> connection(state.connection);
        askPeerQuestion(
            QStringLiteral("Draw Offer"), QStringLiteral("%1 offers a draw.").arg(state.opponent),
            [this, connection, live](bool accepted) {
                PeerGameState* game = openGameOn(connection);
                if (!game || game->window->game().LivePosition() != live)
                    return;
                sendOnGame(*game, plainMessage(ExtendedKind::Draw, accepted ? PeerAnswer::Accept
                                                                            : PeerAnswer::Decline));
                if (accepted)
                    game->window->EndPeerGame(" - (Draw)");
            });
        return;
    }
    if (!state.drawOffered)
        return;
    state.drawOffered = false;
    if (answer == PeerAnswer::Accept)
        window->EndPeerGame(" - (Draw)");
    else
        AddConsoleLine(QStringLiteral("\r\n%1 declined the draw.").arg(state.opponent));
}

void TMainForm::receiveTakeBack(PeerGameState& state, PeerAnswer answer) {
    TMDIChild* window = state.window;
    if (window->game().Model().finished)
        return;
    if (answer == PeerAnswer::Offer) {
        // Both sides go back to the position before the asker's last move, whatever moves
        // cross the answer on the wire.
        const std::uint8_t asker = *window->PeerColour() ? 0 : 1;
        const std::optional<int> target = takeBackTarget(window->game().LivePosition(), asker);
        const QPointer<PeerConnection> connection(state.connection);
        if (!target) {
            sendOnGame(state, plainMessage(ExtendedKind::TakeBack, PeerAnswer::Decline));
            return;
        }
        askPeerQuestion(QStringLiteral("Take Back"),
                        QStringLiteral("%1 asks to take back a move.").arg(state.opponent),
                        [this, connection, target](bool accepted) {
                            PeerGameState* game = openGameOn(connection);
                            if (!game)
                                return;
                            sendOnGame(*game, plainMessage(ExtendedKind::TakeBack,
                                                           accepted ? PeerAnswer::Accept
                                                                    : PeerAnswer::Decline));
                            if (accepted) {
                                game->window->TakeBackPeerMoves(*target);
                                autosavePeerGame(*game);
                            }
                        });
        return;
    }
    if (!state.takeBackTo)
        return;
    const int target = *state.takeBackTo;
    state.takeBackTo.reset();
    if (answer == PeerAnswer::Accept) {
        window->TakeBackPeerMoves(target);
        autosavePeerGame(state);
    } else
        AddConsoleLine(QStringLiteral("\r\n%1 declined the takeback.").arg(state.opponent));
}

void TMainForm::receiveAbort(PeerGameState& state) {
    TMDIChild* window = state.window;
    if (window->game().Model().finished)
        return;
    // The sender aborted before each side had moved; a first move of this side may have
    // crossed the abort on the wire, and the sender records it as it arrives.
    const int live = window->game().LivePosition();
    const bool ownMoveCrossed = live == 2 && *window->PeerColour() == 0;
    if (live > 2 || (live == 2 && !ownMoveCrossed)) {
        AddConsoleLine(
            QStringLiteral("\r\nRefused %1's abort: both sides have moved.").arg(state.opponent));
        return;
    }
    AddConsoleLine(QStringLiteral("\r\n%1 aborted the game.").arg(state.opponent));
    window->EndPeerGame(kGameAborted.toStdString());
}

void TMainForm::askPeerQuestion(const QString& title, const QString& text,
                                std::function<void(bool accepted)> answered) {
    // Not modal: the question must not stop the program's clocks and lines.
    auto* box = new QMessageBox(QMessageBox::Question, title, text, QMessageBox::NoButton, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QPushButton* accept = box->addButton(QStringLiteral("Accept"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("Decline"), QMessageBox::RejectRole);
    connect(box, &QMessageBox::buttonClicked, this,
            [accept, answered](QAbstractButton* button) { answered(button == accept); });
    box->show();
}

void TMainForm::offerTerms(PeerConnection* connection, PeerGameState& state) {
    const GameTerms offered = OfferedTerms();
    ExtendedMessage terms;
    terms.kind = ExtendedKind::Terms;
    terms.game = QByteArray::number(QRandomGenerator::global()->generate64(), 16)
                     .rightJustified(kGameIdDigits, '0');
    switch (offered.colour) {
    case GameTerms::Colour::White:
        terms.colour = PeerColour::White;
        break;
    case GameTerms::Colour::Black:
        terms.colour = PeerColour::Black;
        break;
    case GameTerms::Colour::Random:
        terms.colour =
            QRandomGenerator::global()->bounded(2) ? PeerColour::White : PeerColour::Black;
        break;
    }
    terms.timeControl = offered.timeControl;
    state.terms = terms;
    m_link->SendOn(connection, extendedLine(terms));
}

void TMainForm::askTerms(PeerConnection* connection, const ExtendedMessage& terms) {
    const QString colour =
        terms.colour == PeerColour::White ? QStringLiteral("Black") : QStringLiteral("White");
    const QString clock = terms.timeControl.isEmpty()
                              ? QStringLiteral("no clock")
                              : QStringLiteral("time control %1").arg(terms.timeControl);
    // Not modal: the question must not stop the program's clocks and lines.
    auto* box = new QMessageBox(QMessageBox::Question, QStringLiteral("Game Terms"),
                                QStringLiteral("%1 offers a game: you play %2, %3.")
                                    .arg(m_peerGames[connection].opponent, colour, clock),
                                QMessageBox::NoButton, this);
    box->setObjectName(QStringLiteral("GameTermsPrompt"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    QPushButton* accept = box->addButton(QStringLiteral("Accept"), QMessageBox::AcceptRole);
    box->addButton(QStringLiteral("Decline"), QMessageBox::RejectRole);
    const QPointer<PeerConnection> alive(connection);
    connect(box, &QMessageBox::buttonClicked, this,
            [this, alive, terms, accept](QAbstractButton* button) {
                // The answer counts only for the connection and the offer it was asked about.
                const auto found = m_peerGames.find(alive.data());
                if (!alive || found == m_peerGames.end() || !m_link->ClientConnected())
                    return;
                ExtendedMessage answer;
                answer.kind = button == accept ? ExtendedKind::Accept : ExtendedKind::Decline;
                answer.game = terms.game;
                m_link->SendOn(alive, extendedLine(answer));
                if (button != accept)
                    return;
                found->second.terms = terms;
                applyTerms(found->second, terms.colour == PeerColour::White ? 0 : 1);
            });
    box->show();
}

void TMainForm::applyTerms(PeerGameState& state, std::uint8_t own) {
    if (!state.window)
        return;
    state.window->SetPeerColours(own, PlayerName(), state.opponent);
    // An empty control reads as none: no clock.
    state.window->SetTimeControl(ParseTimeControl(state.terms->timeControl.toStdString()).control);
    // The link's round trip is known before a flag can fall.
    if (state.window->GameClock())
        sendPing(state);
    AddConsoleLine(QStringLiteral("\r\nGame terms agreed with %1: you play %2, %3.")
                       .arg(state.opponent, own ? QStringLiteral("White") : QStringLiteral("Black"),
                            state.terms->timeControl.isEmpty()
                                ? QStringLiteral("no clock")
                                : QStringLiteral("time control ") + state.terms->timeControl));
    beginPeerAutosave(state);
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
                if (!isPeerGameTitle(window->windowTitle()))
                    return;
                if (PeerGameState* state = extendedGameOf(window))
                    sendPeerMove(*state, from, to, letter);
                else
                    SendToPeer(moveLine(from, to, letter));
            });
    connect(window, &TMDIChild::peerActionChosen, this,
            [this, window](TMDIChild::PeerAction action) {
                PeerGameState* state = extendedGameOf(window);
                if (!state)
                    return;
                // The opponent's flag is down here: the claim, or its move, decides first.
                if ((state->flagClaimPending || state->flagClaimedAt) &&
                    action != TMDIChild::PeerAction::Rematch) {
                    AddConsoleLine(QStringLiteral("\r\n%1's time has run out on your clock; "
                                                  "the flag claim is decided in a moment.")
                                       .arg(state->opponent));
                    return;
                }
                switch (action) {
                case TMDIChild::PeerAction::Resign:
                    peerResign(*state);
                    return;
                case TMDIChild::PeerAction::OfferDraw:
                    peerOfferDraw(*state);
                    return;
                case TMDIChild::PeerAction::TakeBack:
                    peerAskTakeBack(*state);
                    return;
                case TMDIChild::PeerAction::Abort:
                    peerAbort(*state);
                    return;
                case TMDIChild::PeerAction::Rematch:
                    peerRematch(*state);
                    return;
                }
            });
    connect(window, &TMDIChild::opponentFlagFell, this,
            [this, window] { opponentFlagSeen(window); });
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

TMDIChild* TMainForm::openPeerGameWindow() {
    if (peerGameWindowCount() < kMaxPeerGameWindows && m_peerWindowQuota.Take()) {
        m_peerWindowRefusalShown = false;
        return MakeGameWindow(QStringLiteral("Active Game"));
    }
    // Said once per run of refusals, so that a flood of them does not flood the console too.
    if (!m_peerWindowRefusalShown)
        AddConsoleLine(kTooManyPeerWindows);
    m_peerWindowRefusalShown = true;
    return nullptr;
}

void TMainForm::HandlePeerLine(const QByteArray& line, PeerConnection* connection) {
    const PeerMessage message = parsePeerLine(line);
    switch (message.kind) {
    case PeerMessageKind::Ignored:
        return;
    case PeerMessageKind::NewGame:
        newGameFromPeer(connection, openPeerGameWindow());
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
    const QString move = message.from + message.to;
    // A game with agreed colours takes only numbered moves, which say where the boards
    // would differ; an old move line could make them differ silently.
    if (window->PeerColour()) {
        AddConsoleLine(
            QStringLiteral("\r\nRefused the peer's move %1: this game takes numbered moves only.")
                .arg(move));
        return;
    }
    // Without a letter the local user is asked.
    window->MakeMoveFromOutside(message.from.toStdString(), message.to.toStdString(),
                                message.promotionChoice.toStdString());
}

void TMainForm::Timer1Timer() {
    // A line may open the promotion question, whose event loop must not start a second tick.
    m_timer1->stop();
    if (std::optional<QByteArray> line = m_link->TakeClientLine())
        HandlePeerLine(*line, m_link->ClientConnection());
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
