// Peer games that outlive their connection. A game whose link drops stays in its window
// with its clocks stopped and waits there for the same peer. Every game agreed under the
// extended protocol is saved after each move in a file of its own in the folder
// "PeerGames" beside the settings (never an .rvg file); a program that was ended or killed
// mid-game reopens each such game at its next start, in an "Active Game" window that says
// in its chat log whom it waits for: a game this side connected for is resumed by pressing
// Connect to the same address, a game this side waited for resumes when the peer connects
// again. Without saved games nothing of this shows. The files of games that end, or whose
// window the user closes, are removed.
//
// When the client connects, it names the game it has with that address and its half-moves
// ("/rv resume"), holding back the terms the peer offers meanwhile. The peer answers with
// its own count for a game that waits there, or declines, and the client then takes the
// held terms as for any new connection. The side with more half-moves sends the rest as
// ordinary numbered moves, which the other checks and applies as it does during play.
#include "app/TMainForm.h"

#include "board/TMDIChild.h"
#include "game/Clock.h"
#include "game/TimeControl.h"
#include "peer/PeerConnection.h"
#include "peer/PeerLink.h"
#include "peer/PeerResume.h"
#include "peer/Unit2.h"

#include <QDir>
#include <QEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTcpSocket>

#include <chrono>

namespace {

const QString kSaveFolder = QStringLiteral("PeerGames");

// Calls `closing` when its watched object is about to close.
class CloseWatch : public QObject {
public:
    CloseWatch(QObject* watched, std::function<void()> closing)
        : QObject(watched), m_closing(std::move(closing)) {
        watched->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Close)
            m_closing();
        return false;
    }

private:
    std::function<void()> m_closing;
};

std::optional<qint64> remainingMs(const Clock* clock, std::uint8_t white) {
    if (!clock)
        return std::nullopt;
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock->Remaining(white)).count();
}

std::vector<QByteArray> wireMoves(const TMDIChild& window) {
    std::vector<QByteArray> moves;
    for (const std::string& line : window.game().Model().moveRecord)
        moves.push_back(wireMoveOfRecord(line));
    return moves;
}

// What the window of a waiting game says to its player.
QString waitingText(const QString& opponent, const QString& host) {
    if (host.isEmpty())
        return QStringLiteral("This game waits for %1: it goes on when %1 connects to this "
                              "program again (Wait for Connection).")
            .arg(opponent);
    return QStringLiteral("This game waits for %1: press Connect to %2 to go on with it.")
        .arg(opponent, host);
}

} // namespace

void TMainForm::attachPeerResume() {
    m_peerAutosave.emplace(QDir(m_folder).filePath(kSaveFolder));
    // Windows closed after the main window began to close are kept: the program ends.
    new CloseWatch(this, [quitting = m_quitting] { *quitting = true; });
    QObject* context = &m_peerResumeContext;
    connect(m_link, &PeerLink::connectFinished, context, [this](bool connected) {
        m_resumeAsked.reset();
        m_termsHeld.reset();
        if (connected)
            m_clientHost = m_link->IdTCPClient1().peerName();
    });
    connect(&m_link->IdTCPClient1(), &QTcpSocket::disconnected, context,
            [this] { peerLinkDropped(m_link->ClientConnection()); });
    connect(m_link, &PeerLink::peerConnected, context, [this, context](PeerConnection* connection) {
        connect(&connection->Socket(), &QTcpSocket::disconnected, context,
                [this, connection] { peerLinkDropped(connection); });
    });
}

void TMainForm::reopenSavedPeerGames() {
    if (m_savedPeerGamesReopened)
        return;
    m_savedPeerGamesReopened = true;
    const PeerAutosave::Found found = m_peerAutosave->TakeSavedGames();
    for (const QString& problem : found.problems)
        AddConsoleLine(QStringLiteral("\r\nA saved peer game cannot be read and was set aside: ") +
                       problem);
    for (const SavedPeerGame& saved : found.games) {
        const int legal = legalPrefix(saved.moves);
        if (legal != static_cast<int>(saved.moves.size())) {
            m_peerAutosave->SetAside(saved.game, saved.own);
            AddConsoleLine(QStringLiteral("\r\nThe saved peer game %1 has an illegal half-move "
                                          "%2 and was set aside.")
                               .arg(QString::fromLatin1(saved.game))
                               .arg(legal + 1));
            continue;
        }
        TMDIChild* window = MakeGameWindow(QStringLiteral("Active Game"));
        for (const QByteArray& move : saved.moves) {
            const WireMove read = readWireMove(move);
            window->MakeMoveFromOutside(read.from, read.to, read.promotionKind);
        }
        if (window->game().Model().finished) {
            m_peerAutosave->Remove(saved.game, saved.own);
            continue;
        }
        window->SetPeerColours(saved.own, PlayerName(), saved.opponent);
        window->SetTimeControl(ParseTimeControl(saved.timeControl.toStdString()).control);
        if (saved.whiteMs && saved.blackMs)
            window->SetClockTimes(std::chrono::milliseconds(*saved.whiteMs),
                                  std::chrono::milliseconds(*saved.blackMs));
        window->HoldPeerGame(true);

        ExtendedMessage terms;
        terms.kind = ExtendedKind::Terms;
        terms.game = saved.game;
        // The terms name the colour of the side that waited.
        const bool waiterWhite = saved.host.isEmpty() ? saved.own == 1 : saved.own == 0;
        terms.colour = waiterWhite ? PeerColour::White : PeerColour::Black;
        terms.timeControl = saved.timeControl;
        m_waitingPeerGames[saved.game] = {window, saved.opponent, terms, saved.host};
        watchPeerGameEnd(window, saved.game, saved.own);
        window->AddChatLine(waitingText(saved.opponent, saved.host));
        AddConsoleLine(QStringLiteral("\r\nReopened the unfinished game against %1 (%2 "
                                      "half-moves). ")
                           .arg(saved.opponent)
                           .arg(saved.moves.size()) +
                       waitingText(saved.opponent, saved.host));
    }
}

void TMainForm::peerLinkDropped(PeerConnection* connection) {
    const auto found = m_peerGames.find(connection);
    if (found == m_peerGames.end())
        return;
    const PeerGameState& state = found->second;
    TMDIChild* window = state.window;
    if (!window || !window->PeerColour() || !state.terms || window->PeerGameHeld() ||
        window->game().Model().finished)
        return;
    const bool client = connection == m_link->ClientConnection();
    const QString host = client ? m_clientHost : QString();
    window->HoldPeerGame(true);
    m_waitingPeerGames[state.terms->game] = {window, state.opponent, *state.terms, host};
    savePeerGame(window, *state.terms, state.opponent, host);
    window->AddChatLine(waitingText(state.opponent, host));
    AddConsoleLine(
        QStringLiteral("\r\nThe link to %1 dropped; the clocks are stopped. ").arg(state.opponent) +
        waitingText(state.opponent, host));
}

void TMainForm::askToResume(PeerConnection* connection) {
    for (const auto& [game, waiting] : m_waitingPeerGames) {
        if (!waiting.window || waiting.host.isEmpty() ||
            waiting.host.compare(m_clientHost, Qt::CaseInsensitive) != 0)
            continue;
        m_resumeAsked = game;
        m_termsHeld.reset();
        m_link->SendOn(connection,
                       extendedLine(resumeMessage(game, waiting.window->game().LivePosition(),
                                                  ownTimeOnWire(*waiting.window))));
        return;
    }
}

bool TMainForm::holdTermsForResume(const ExtendedMessage& terms) {
    if (!m_resumeAsked)
        return false;
    m_termsHeld = terms;
    return true;
}

bool TMainForm::resumeRefused(PeerConnection* connection, const ExtendedMessage& decline) {
    if (!m_resumeAsked || *m_resumeAsked != decline.game)
        return false;
    m_resumeAsked.reset();
    AddConsoleLine(QStringLiteral("\r\nThe peer has no game %1 to go on with; it stays here.")
                       .arg(QString::fromLatin1(decline.game)));
    if (const std::optional<ExtendedMessage> terms = std::exchange(m_termsHeld, std::nullopt))
        askTerms(connection, *terms);
    return true;
}

void TMainForm::receiveResume(PeerConnection* connection, PeerGameState& state,
                              const ExtendedMessage& resume) {
    const bool fromServer = connection == m_link->ClientConnection();
    const QString game = QString::fromLatin1(resume.game);
    if (fromServer) {
        if (!m_resumeAsked || *m_resumeAsked != resume.game) {
            AddConsoleLine(
                QStringLiteral("\r\nRefused the peer's resume of game %1: it was not asked for.")
                    .arg(game));
            return;
        }
        m_resumeAsked.reset();
        m_termsHeld.reset();
        resumeGame(connection, state, resume);
        return;
    }
    const auto waiting = m_waitingPeerGames.find(resume.game);
    QString refusal;
    if (state.window && state.window->PeerColour())
        refusal = QStringLiteral("this connection has its game already");
    else if (waiting == m_waitingPeerGames.end() || !waiting->second.window ||
             waiting->second.window->game().Model().finished)
        refusal = QStringLiteral("no such game waits here");
    else if (!waiting->second.host.isEmpty())
        refusal = QStringLiteral("this side connected for that game and resumes it by connecting");
    if (!refusal.isEmpty()) {
        AddConsoleLine(
            QStringLiteral("\r\nRefused the peer's resume of game %1: %2.").arg(game, refusal));
        ExtendedMessage decline;
        decline.kind = ExtendedKind::Decline;
        decline.game = resume.game;
        m_link->SendOn(connection, extendedLine(decline));
        return;
    }
    const TMDIChild& window = *waiting->second.window;
    m_link->SendOn(connection, extendedLine(resumeMessage(resume.game, window.game().LivePosition(),
                                                          ownTimeOnWire(window))));
    resumeGame(connection, state, resume);
}

void TMainForm::resumeGame(PeerConnection* connection, PeerGameState& state,
                           const ExtendedMessage& resume) {
    const int peerPlies = resume.ply;
    const auto found = m_waitingPeerGames.find(resume.game);
    if (found == m_waitingPeerGames.end() || !found->second.window)
        return;
    const WaitingPeerGame waiting = found->second;
    m_waitingPeerGames.erase(found);
    // The window this connection opened gives way to the game's own.
    if (state.window && state.window != waiting.window && state.window->game().LivePosition() == 0)
        if (auto* frame = qobject_cast<QMdiSubWindow*>(state.window->parentWidget()))
            frame->close();
    state.window = waiting.window;
    state.opponent = waiting.opponent;
    state.terms = waiting.terms;
    TMDIChild* window = waiting.window;
    // Each side's own clock is the truth for its own time, as in every move; a peer that
    // does not say its time leaves the clocks as this side stopped them.
    if (resume.remainingMs && window->GameClock())
        window->SetPeerClockTime(*window->PeerColour() ? 0 : 1,
                                 std::chrono::milliseconds(*resume.remainingMs));
    window->HoldPeerGame(false);
    if (QMdiSubWindow* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget()))
        m_workspace->setActiveSubWindow(frame);
    const int own = window->game().LivePosition();
    window->AddChatLine(QStringLiteral("%1 is back; the game goes on.").arg(state.opponent));
    AddConsoleLine(
        QStringLiteral("\r\nResumed the game with %1: this side has %2 half-moves, the peer %3.")
            .arg(state.opponent)
            .arg(own)
            .arg(peerPlies));
    autosavePeerGame(state);
    const Clock* clock = window->GameClock();
    for (const ExtendedMessage& move :
         catchUpMoves(wireMoves(*window), peerPlies, remainingMs(clock, 1), remainingMs(clock, 0)))
        m_link->SendOn(connection, extendedLine(move));
}

void TMainForm::beginPeerAutosave(const PeerGameState& state) {
    TMDIChild* window = state.window;
    if (!window || !window->PeerColour() || !state.terms)
        return;
    autosavePeerGame(state);
    watchPeerGameEnd(window, state.terms->game, *window->PeerColour());
}

void TMainForm::watchPeerGameEnd(TMDIChild* window, const QByteArray& game, std::uint8_t own) {
    // Closing the window gives the game up; the end of the program keeps it.
    new CloseWatch(window, [this, quitting = m_quitting, game, own] {
        if (!*quitting)
            m_peerAutosave->Remove(game, own);
    });
    connect(window, &QWidget::windowTitleChanged, this, [this, window, game, own] {
        if (window->game().Model().finished)
            m_peerAutosave->Remove(game, own);
    });
}

void TMainForm::autosavePeerGame(const PeerGameState& state) {
    if (!state.window || !state.window->PeerColour() || !state.terms)
        return;
    const bool client = state.connection && state.connection == m_link->ClientConnection();
    savePeerGame(state.window, *state.terms, state.opponent, client ? m_clientHost : QString());
}

void TMainForm::savePeerGame(TMDIChild* window, const ExtendedMessage& terms,
                             const QString& opponent, const QString& host) {
    const std::uint8_t own = *window->PeerColour();
    if (window->game().Model().finished) {
        m_peerAutosave->Remove(terms.game, own);
        return;
    }
    SavedPeerGame saved;
    saved.game = terms.game;
    saved.host = host;
    saved.own = own;
    saved.opponent = opponent;
    saved.timeControl = terms.timeControl;
    saved.moves = wireMoves(*window);
    if (const Clock* clock = window->GameClock()) {
        saved.whiteMs = remainingMs(clock, 1);
        saved.blackMs = remainingMs(clock, 0);
    }
    if (!m_peerAutosave->Save(saved))
        AddConsoleLine(QStringLiteral("\r\nThe game against %1 could not be saved in %2.")
                           .arg(opponent, m_peerAutosave->Folder()));
}
