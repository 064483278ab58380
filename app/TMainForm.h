#pragma once

#include "app/PeerAutosave.h"
#include "engine/EngineProtocol.h"
#include "peer/GameTerms.h"
#include "peer/PeerConnection.h"
#include "peer/PeerExtendedProtocol.h"
#include "peer/PeerRoundTrip.h"
#include "peer/PeerWindowQuota.h"

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class FileDropFilter;
class OptionsMenu;
class PeerLink;
class QAction;
class QFileDialog;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QTimer;
class QToolBar;
class TAboutBox;
class TForm2;
class TMDIChild;
class TRegExtension;
struct PgnGame;

// The main window: a multi-document frame that holds every game window, the Connection
// windows and the Main Consoles, with the main menu, the tool bar ToolBar2 and the status
// bar. All game windows are made by MakeGameWindow.
class TMainForm : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window, reads the settings file "Settings.ini" in `folder` (the program's
    // folder, where the pictures, sounds and help are found too) and installs the Options
    // menu as the game windows' settings. The file-type association is checked with
    // `association` (which must outlive the window) once the event loop runs, after the
    // window is shown. Creates no child window: see CreateStartupWindows.
    TMainForm(const QString& folder, TRegExtension& association, QWidget* parent = nullptr);
    ~TMainForm() override;

    // The start-up children: the game window "Game Board", the Connection window and the
    // Main Console; then, once, the start-up file (`arguments` without the program's name).
    void CreateStartupWindows(const QStringList& arguments);

    // Creates a game window titled `title` as the active child; when a file of that name
    // exists it is loaded into the window as a game file.
    TMDIChild* MakeGameWindow(const QString& title);

    // The child windows, most recently activated first.
    QList<QMdiSubWindow*> ChildWindows() const;
    // The game windows among them, in the same order.
    std::vector<TMDIChild*> GameWindows() const;
    // The active child when it is a game window, else null.
    TMDIChild* ActiveGameWindow() const;

    // Commands, as the menus and the tool bar call them.
    void FileNew1Execute();
    void FileOpen1Execute();
    void FileSave1Execute();
    void FileSaveAs1Execute();
    void DefaultLayout1Click();
    void HelpTopics1Click();
    void HelpAbout1Execute();
    void Toolbar1Click();
    void StatusBar1Click();
    void OpponentSeekingGames1Click();
    void MainConsole1Click();
    // Tools > Add Engine... (TMainFormEngine.cpp): an executable chosen in OpenDialog1
    // inside the "Engines" folder beside the program gets a game window of its name and
    // is started there; any other file only adds a line to the start-up Main Console.
    // The engine's protocol is the one remembered for its file in the settings, or else
    // found out by asking the engine and remembered.
    void AddEngine1Click();

    // Fills `window`, titled with a file name, from that file; a file that cannot be read
    // or holds a line that is not a move leaves the window empty and finished, with a message.
    // A ".pgn" file goes to LoadPgnFile.
    void LoadGameFile(TMDIChild* window, const QString& fileName);
    // PGN (TMainFormPgn.cpp). A file of one game fills the window, which keeps the file's
    // name as its title; of several, "Games in File" asks which one, and the window is
    // titled "NAME (game N)", so that Save asks for a name; Cancel leaves a "Game Board".
    // A game with a bad move opens up to the move before it, with a message.
    void LoadPgnFile(TMDIChild* window, const QString& fileName);
    // The game of `window` as PGN: the tags and comments it was read with, if any.
    QByteArray PgnTextOf(TMDIChild* window) const;
    // Edit > Copy FEN (the shown position), Paste FEN / PGN (a new game window from the
    // clipboard), Copy PGN; File > New from Position...
    void EditCopyFen1Execute();
    void EditPasteFen1Execute();
    void EditCopyPgn1Execute();
    void FileNewFromPosition1Execute();
    // Opens each dropped ".rvg" and ".pgn" file in a new game window; others are skipped.
    void AcceptDroppedFiles(const QStringList& fileNames);
    // The same once the current event (the desktop's drop) has been handled.
    void OpenDroppedFilesLater(const QStringList& fileNames);
    // Opens the file named in a later start's hand-over and brings this window forward.
    void ReceiveHandOver(const QByteArray& text);

    // The peer link (TMainFormPeer.cpp). SendToPeer routes a line (without its CR LF) to
    // the server's connections, else the client, else nowhere; HandlePeerLine carries out
    // one received line (from `connection` when known); Timer1Timer takes at most one line
    // of the client per tick. Under the extended protocol "/new" starts the connection's
    // next game, whose terms the waiting side proposes again.
    PeerLink& Link() const { return *m_link; }
    // The name said to peers: Options > "Player Name...", by default the login name.
    QString PlayerName() const;
    void PlayerName1Click();
    // The terms offered to every copy that connects: Options > "Game Terms...".
    GameTerms OfferedTerms() const;
    void GameTerms1Click();
    void SendToPeer(const QByteArray& line);
    void HandlePeerLine(const QByteArray& line, PeerConnection* connection = nullptr);
    void Timer1Timer();
    // The game window the peer's moves and chat act on: the most recently activated one
    // whose title begins with "Active Game", or null.
    TMDIChild* PeerGameWindow() const;

    // Adds `text` to the Main Console made at start-up while it is open, else nowhere.
    void AddStartupConsoleLine(const QString& text);
    // Adds `text` to every open Main Console.
    void AddConsoleLine(const QString& text);

    OptionsMenu* Options() const { return m_options; }
    // The dialogs are made on first use: a file dialog alone costs more than the rest of the
    // window, and most runs never open one.
    QFileDialog* OpenDialog();
    QFileDialog* SaveDialog1();
    QFileDialog* OpenDialog1(); // engines (TMainFormEngine.cpp)
    TAboutBox* AboutBox();
    QMdiArea* Workspace() const { return m_workspace; }
    const QPixmap& Image1() const { return m_image1; }
    QString HelpFile() const;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The game window of the engine at `path` below `enginesFolder`, started in `protocol`.
    void OpenEngineWindow(const QString& enginesFolder, const QString& path,
                          EngineProtocol protocol);
    QAction* makeAction(const char* name, const QString& caption, const QString& hint,
                        const QKeySequence& shortcut, void (TMainForm::*handler)());
    void buildActions();
    void buildMenus();
    void buildToolBar();
    void fillWindowMenu();
    void forwardToFocusWidget(const char* slot);
    QMdiSubWindow* addChild(QWidget* widget);
    // The Connection window (`connection`) or the Main Console.
    QMdiSubWindow* addLinkWindow(bool connection);
    void toggleLinkWindows(QAction* item, bool connection);
    void showError(const QString& text);
    bool writeWindowFile(TMDIChild* window, const QString& fileName);
    TMDIChild* makePositionWindow(const std::string& fen);
    void showPgnGame(TMDIChild* window, PgnGame& game, const QString& source);
    void attachPeerLink();
    void attachToPeer(TMDIChild* window);
    void sendChat(TMDIChild* window, const QString& text);
    void showSendFailure(const QString& error);
    int peerGameWindowCount() const;
    TMDIChild* openPeerGameWindow();
    // The extended game of one connection (TMainFormPeer.cpp).
    struct PeerGameState {
        QPointer<PeerConnection> connection;
        QPointer<TMDIChild> window;
        QString opponent;
        std::optional<ExtendedMessage> terms; // offered by the server, or received by the client
        bool drawOffered = false;             // this side's offer, not yet answered
        bool drawWithNextMove = false;        // offered on this side's turn: it goes with the move
        std::optional<int> takeBackTo;        // this side's request: the half-moves it leaves
        PeerRoundTrip roundTrip;
        int flagFalls = 0;                // the opponent's flags seen on this side's clock
        bool flagClaimPending = false;    // the last of them waits for the round trip
        std::optional<int> flagClaimedAt; // ... was claimed with this many half-moves: the
                                          // claim waits for the opponent's answer
        std::optional<ExtendedMessage> moveAfterClaim; // the opponent's move that crossed it
        std::optional<int> endedHereAt; // this side resigned or aborted with this many moves
        bool rematchSent = false;       // this game is this side's rematch, not yet answered
        std::optional<int> resyncFrom;  // this side asked for the moves from this one again
        bool resyncAccepted = false;    // ... and its user took them
        std::vector<ExtendedMessage> resyncMoves; // the moves sent again, until then
    };
    static constexpr std::size_t kMaxResyncMoves = kMaxPly;
    void trackPeerGame(PeerConnection* connection, TMDIChild* window);
    void handleExtendedMessage(PeerConnection* connection, const ExtendedMessage& message);
    void offerTerms(PeerConnection* connection, PeerGameState& state);
    void askTerms(PeerConnection* connection, const ExtendedMessage& terms);
    void applyTerms(PeerGameState& state, std::uint8_t own);
    // The extended game shown in `window`, once its colours are agreed; null otherwise.
    PeerGameState* extendedGameOf(TMDIChild* window);
    // The unfinished game on `connection`, if both are still there.
    PeerGameState* openGameOn(const QPointer<PeerConnection>& connection);
    void peerResign(PeerGameState& state);
    void peerOfferDraw(PeerGameState& state);
    void peerAskTakeBack(PeerGameState& state);
    void peerAbort(PeerGameState& state);
    void sendPeerMove(PeerGameState& state, const QString& from, const QString& to,
                      const QString& letter);
    void handleGameMessage(PeerGameState& state, const ExtendedMessage& message);
    void receivePeerMove(PeerGameState& state, const ExtendedMessage& move);
    // Makes the peer's move on `window`; false when it is refused.
    static bool makePeerMove(TMDIChild* window, const ExtendedMessage& move);
    // This side's own time in a peer game, as the wire carries it: milliseconds within the
    // protocol's bound, none without a clock.
    static std::optional<qint64> ownTimeOnWire(const TMDIChild& window);
    void receiveDraw(PeerGameState& state, PeerAnswer answer);
    void receiveTakeBack(PeerGameState& state, PeerAnswer answer);
    void receiveAbort(PeerGameState& state);
    // A non-modal question to the user about the peer's offer; `answered` hears the choice.
    void askPeerQuestion(const QString& title, const QString& text,
                         std::function<void(bool accepted)> answered);
    void sendOnGame(PeerGameState& state, const ExtendedMessage& message);
    // Clocks, flags, new games and resynchronising (TMainFormPeerGame.cpp).
    void sendPing(PeerGameState& state);
    void receivePong(PeerGameState& state, quint32 token);
    void opponentFlagSeen(TMDIChild* window);
    void claimFlag(const QPointer<PeerConnection>& connection, int fall);
    void receiveFlagClaim(PeerGameState& state);
    void answerFlagClaim(PeerGameState& state, bool accepted);
    void receiveFlagAnswer(PeerGameState& state, const ExtendedMessage& answer);
    void settleFlagClaim(PeerGameState& state, bool accepted, std::optional<qint64> remainingMs);
    void flagAnswerMissing(const QPointer<PeerConnection>& connection, int fall);
    // The connection's next game in `window`, its players and link kept.
    PeerGameState& nextPeerGame(PeerConnection* connection, TMDIChild* window);
    void startNewPeerGames(TMDIChild* window);
    void newGameFromPeer(PeerConnection* connection, TMDIChild* window);
    void peerRematch(PeerGameState& state);
    void receiveRematch(PeerGameState& state);
    void startRematch(PeerGameState& state);
    bool recordCrossingMove(PeerGameState& state, const ExtendedMessage& move);
    void offerResync(PeerGameState& state, int ply, const QString& why);
    void receiveResync(PeerGameState& state, int ply);
    void resendMoves(PeerGameState& state, int from);
    QWidget* makeLinkWindow(bool connection);
    // Resuming a peer game over a new connection, and its automatic save
    // (TMainFormResume.cpp).
    struct WaitingPeerGame {
        QPointer<TMDIChild> window;
        QString opponent;
        ExtendedMessage terms;
        QString host; // the address this side connected to; empty when it waited
    };
    void attachPeerResume();
    void reopenSavedPeerGames();
    void peerLinkDropped(PeerConnection* connection);
    void askToResume(PeerConnection* connection);
    bool holdTermsForResume(const ExtendedMessage& terms);
    bool resumeRefused(PeerConnection* connection, const ExtendedMessage& decline);
    void receiveResume(PeerConnection* connection, PeerGameState& state,
                       const ExtendedMessage& resume);
    void resumeGame(PeerConnection* connection, PeerGameState& state,
                    const ExtendedMessage& resume);
    void beginPeerAutosave(const PeerGameState& state);
    void watchPeerGameEnd(TMDIChild* window, const QByteArray& game, std::uint8_t own);
    void autosavePeerGame(const PeerGameState& state);
    void savePeerGame(TMDIChild* window, const ExtendedMessage& terms, const QString& opponent,
                      const QString& host);

    QString m_folder;
    QMdiArea* m_workspace = nullptr;
    QPixmap m_image1;
    OptionsMenu* m_options = nullptr;
    FileDropFilter* m_fileDrops = nullptr;
    TAboutBox* m_aboutBox = nullptr;
    QFileDialog* m_openDialog = nullptr;
    QFileDialog* m_saveDialog = nullptr;
    QFileDialog* m_openDialog1 = nullptr; // engines
    QToolBar* m_toolBar = nullptr;
    QMenu* m_windowMenu = nullptr;
    QAction* m_toolbarItem = nullptr;
    QAction* m_statusBarItem = nullptr;
    QAction* m_connectionItem = nullptr;
    QAction* m_consoleItem = nullptr;
    QAction* m_defaultLayout = nullptr;
    TMDIChild* m_startupWindow = nullptr;
    std::map<PeerConnection*, PeerGameState> m_peerGames;
    PeerLink* m_link = nullptr;
    QTimer* m_timer1 = nullptr;
    QPointer<TForm2> m_startupConsole;
    bool m_showingSendFailure = false;
    PeerWindowQuota m_peerWindowQuota;
    bool m_peerWindowRefusalShown = false;
    std::map<QByteArray, WaitingPeerGame> m_waitingPeerGames; // by the game's identifier
    std::optional<QByteArray> m_resumeAsked;    // the game the client asked its peer to resume
    std::optional<ExtendedMessage> m_termsHeld; // the peer's terms, while that is undecided
    QString m_clientHost;                       // the address the client connected to
    std::optional<PeerAutosave> m_peerAutosave;
    std::shared_ptr<bool> m_quitting = std::make_shared<bool>(false);
    bool m_savedPeerGamesReopened = false;
    // The receiver of the link's signals about resuming; a member, so that it is gone before
    // the link, whose end still signals, while the peer games are gone too.
    QObject m_peerResumeContext;
    bool m_startupFileDone = false;
    bool m_iconAsked = false; // the program's icon, made once the window has first been painted
};
