#pragma once

#include "engine/ChessEngine.h"
#include "game/Game.h"
#include "game/GameDisplay.h"
#include "game/TimeControl.h"

#include <QImage>
#include <QPixmap>
#include <QVector>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class AdvertisementPanel;
class BoardMarks;
class Clock;
class ClockPanel;
class MoveGrid;
class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QScrollBar;
class QTimer;
enum class SanStatus; // game/San.h

// One game window: the board of 64 square images named "a8".."h1" over their square
// backgrounds, the last-move frames, the captured-piece counters, the move list with its
// replay scroll bar, the chat widgets and the advertisement panel. It is the display of
// its own game: every move, whatever its source, goes through game().MakeMove, which calls
// back the display operations below.
//
// The title ("Game Board" at creation) lives in windowTitle(). Closing the window frees it.
class TMDIChild : public QWidget, public GameDisplay {
    Q_OBJECT
public:
    explicit TMDIChild(QWidget* parent = nullptr);
    ~TMDIChild() override;

    Game& game() { return m_game; }
    const Game& game() const { return m_game; }

    // Fills a window in which no move has been made yet with the lines of a game file:
    // the move record and the finished mark are set, the move list shows the raw lines,
    // the live position is the number of lines and the shown position 0. Does nothing on a
    // window that already has moves. A game read from PGN shows `notations` (one per line)
    // in place of the lines, and each move's `tips` (its comments) as the cell's tool tip.
    void LoadMoveRecord(const std::vector<std::string>& lines,
                        const std::vector<std::string>& notations = {},
                        const std::vector<std::string>& tips = {});
    // Sets a window in which no move has been made up from a FEN that FenRefusal accepts:
    // the board model and the square images show that position, and play and replay go on
    // from it. Returns false and changes nothing on a window with moves or a refused FEN.
    bool StartFromPosition(const std::string& fen);

    // Makes a move that comes from outside the window (the peer, an engine) with the
    // promotion kind it names ("Queen" .. "Knight"); an empty kind asks the local user when
    // the move promotes. Its promotion letter is cleared afterwards, so that it never reaches
    // the text of a later user's move. Returns false when the move was refused.
    bool MakeMoveFromOutside(const std::string& from, const std::string& to,
                             const std::string& promotionKind);

    // The peer game's colours, once both players have agreed terms: the user moves only the
    // pieces of `own` (1 White, 0 Black), the board is shown from that side, and the name
    // labels name the two players.
    void SetPeerColours(std::uint8_t own, const QString& ownName, const QString& opponentName);
    // The colour the user plays in the peer game; none while no terms were agreed.
    std::optional<std::uint8_t> PeerColour() const { return m_peerColour; }
    // The peer's name, as its greeting gave it.
    void SetOpponentName(const QString& name) { m_opponentName = name; }

    // For the record of the game (TMDIChildRecord.cpp). The players' names, White's then
    // Black's: the user's `userName`, and the engine's name (also once it has gone) or the
    // peer's; "?" for a name not known. The user plays White unless the game's colours say
    // otherwise (the engine's side, the peer's terms).
    std::pair<QString, QString> PlayerNames(const QString& userName) const;
    // The mover's time left after each half-move, by half-move; none for a move made
    // without a clock.
    const std::vector<std::optional<ClockTime>>& MoveClockTimes() const;
    // What the user asks of the peer through the Menu once colours are agreed: Resign,
    // Offer Draw, Take Back and Abort go to the peer (peerActionChosen) instead of
    // deciding the game here; the main window applies the outcome both sides agree on.
    // Rematch, once the game is over, asks for a new game with the colours swapped.
    enum class PeerAction { Resign, OfferDraw, TakeBack, Abort, Rematch };
    // Ends the peer game with `result`, the title's form (" - (Draw)").
    void EndPeerGame(const std::string& result);
    // Takes back half-moves until `live` are left, as Take Back does on one board.
    void TakeBackPeerMoves(int live);
    // A peer game whose link dropped is held (TMDIChildHold.cpp): its clocks stop and the
    // user can make no move until it goes on, its clocks running on from where they stopped.
    void HoldPeerGame(bool held);
    bool PeerGameHeld() const { return m_peerGameHeld; }
    // Both clocks' times as of now, for a game carried on from its record; no clock: nothing.
    void SetClockTimes(ClockTime white, ClockTime black);
    // Sets the time of `white` to what the peer's own clock says; see Clock::SetRemaining.
    void SetPeerClockTime(std::uint8_t white, ClockTime remaining);
    // Ends the game on the flag of `white`: the other side wins, or it is a draw when the
    // other side could not mate by any series of legal moves. Does nothing once finished.
    void EndOnFlag(std::uint8_t white);

    // The chat line Edit1's Enter key.
    void Edit1KeyPress();
    // Adds `text` as one new line of the chat log Memo1, as plain text. The log keeps the
    // last kChatLinesKept lines, and shows a line's first kChatLineShown characters
    // followed by "…".
    void AddChatLine(const QString& text);
    static constexpr int kChatLinesKept = 5000;
    static constexpr qsizetype kChatLineShown = 2000;

    // The engine of this window (TMDIChildEngine.cpp). StartEngine attaches the executable
    // `path`, opens the dialogue of `protocol` and asks the user's colour; when it cannot be
    // started the system's error is shown and the window stays an ordinary game. An engine
    // stays attached until a tick of Timer1 finds its process ended, or it fails its
    // greeting (engineFailureHook is told why); closing the window ends it. While it is
    // attached the user's mouse moves go to it, its colour cannot be picked up, and its
    // replies are made: an xboard engine's every 1000 ms tick, a UCI engine's at once,
    // and any engine's at once while the game has a clock (which it is told of).
    void StartEngine(const QString& path, EngineProtocol protocol = EngineProtocol::Xboard);
    bool EngineAttached() const;
    qint64 EngineProcessId() const;
    void SendToEngine(const QByteArray& text); // shows the system's error when writing fails
    void CloseEngineLink();
    void Compute1Click(); // the engine takes the other colour and moves
    void Fast1Click();    // the engine's time per move: 1, 8 or 15 seconds
    void Medium1Click();
    void Slow1Click();
    // Menu > Engine > Protocol: the user's correction of the detected protocol, passed to
    // engineProtocolHook with the engine's path; before the first move the engine is
    // started anew in it.
    void CorrectEngineProtocol(EngineProtocol protocol);
    std::function<void(const QString& text)> engineFailureHook;
    // Menu > Engine > Engine Output: the panel "Engine Output" over the advertisement shows
    // the engine's thinking, redrawn at most ten times a second with the latest report;
    // hidden at creation. engineOutputHook hears the user's choice.
    void SetEngineOutputShown(bool shown);
    bool EngineOutputShown() const;
    std::function<void(bool shown)> engineOutputHook;
    // Menu > Engine > Strength, shown when the engine offers levels (see
    // ChessEngine::StrengthLevels): the chosen level is sent before the engine's next
    // search and shown beside the engine's colour ("Black (Beginner)"). A level chosen
    // before the engine has said what it offers is applied once it has, if it offers it.
    // engineStrengthHook hears the user's choice with the engine's path.
    void ChooseStrength(const QString& level);
    std::function<void(const QString& path, const QString& level)> engineStrengthHook;
    std::function<void(const QString& path, EngineProtocol protocol)> engineProtocolHook;
    // The engine prints nothing until it is fed more lines: it is seen through its start
    // (ChessEngine::SeeThroughSilentStart). Set before StartEngine.
    bool engineStartsSilently = false;
    void Timer1Timer();

    // The game's clocks (TMDIChildClock.cpp). A new window has no clock. TimeControl1Click
    // opens the "Time Control" dialog; once moves have been made, a new control starts the
    // clocks afresh only when the user agrees. When a flag falls the side that ran out
    // loses, or draws when the other side could not mate by any series of legal moves.
    void TimeControl1Click();
    // Starts the clocks afresh under `control` at the current move; none: no clock.
    void SetTimeControl(const std::optional<TimeControl>& control);
    const std::optional<TimeControl>& CurrentTimeControl() const { return m_timeControl; }
    // The running clock, for those that must be told the times; null when there is none.
    const Clock* GameClock() const;

    // In a game not yet finished, not the peer game: on one board the side to move
    // resigns, or both agree a draw; against an engine the user resigns, or offers the
    // engine a draw (only an engine that takes offers), which its acceptance before its
    // next move ends the game drawn. Elsewhere they do nothing.
    void Resign1Click();
    void OfferDraw1Click();
    // Takes back (Menu > Take Back, and Ctrl+Z while the board has the focus) on one board
    // the last half-move made in this window; against an engine the last pair, so that
    // the user is to move again, and the engine is told. The board, move list, frames,
    // counters, title and clocks (with the movers' time given back) return to what they
    // showed before; a finished game comes back into play. Does nothing when no move of
    // this window is left to take back, or while the engine thinks.
    void TakeBack1Click();
    // In a peer game with agreed colours only, while neither side has moved twice.
    void Abort1Click();
    // In a peer game with agreed colours only, once it is over.
    void Rematch1Click();

    // Board display. Each reads the current setting from BoardSettings::Current().
    void LoadPieceSet();       // cuts the chosen piece sheet into ImageList1
    void RefreshPieceImages(); // returns to the live position and redraws every piece
    void LoadBoardColours();   // loads the light and dark square pictures
    void PaintBoardSquares();  // repaints the 64 square backgrounds
    void InvertBoard1Click();  // turns the board over (a point reflection); its own inverse
    void FlipBoard1Click();    // the same as InvertBoard1Click
    void Button3Click();       // opens PopupAction below the Menu button
    // The board grows and shrinks with the window: its squares' side in pixels, from
    // kSmallestSquare to kLargestSquare, the largest that fits; 60 at the default size.
    int SquareSize() const { return m_squareSize; }
    static constexpr int kSmallestSquare = 30;
    static constexpr int kLargestSquare = 160;
    QSize sizeHint() const override;

    // Mouse input on a square image, as the square images raise it (tests call them
    // directly). xyMouseDown runs the pick-up test and, when it passes, starts the drag.
    // xyDragOver accepts only a drag that started on this window's own squares. xyDragDrop
    // makes the move from the drag source to the target square and returns true when it
    // was made.
    void xyMouseDown(QLabel* sender, Qt::MouseButtons buttons);
    bool xyDragOver(const QObject* source) const;
    bool xyDragDrop(QLabel* target, const QObject* source);

    // Click-click moves. A click on a piece that may be picked up picks it (a press and a
    // release without the pointer moving); a click on another square then moves it there
    // through the same path as a drop. A second click on it, a click on a square it cannot
    // go to, or Escape on the board drops the pick. xyMouseUp and xyMouseMove are the
    // square images' release and motion (the drag starts on the first motion).
    void xyMouseUp(QLabel* sender);
    void xyMouseMove(QLabel* sender);
    void CancelPick();
    // The picked square ("" when none) and the targets marked for it, as square names.
    std::string PickedSquare() const;
    std::vector<std::string> MarkedTargets() const;
    // The square marked as a king in check, "" when none.
    std::string MarkedCheck() const;
    // Makes a move the user entered (drop, clicks or typed) and passes it on to an attached
    // engine and the peer, as a drop does. Returns true when it was made. A move of the
    // user's own colour entered during the opponent's turn becomes the premove instead.
    bool UserMove(const std::string& from, const std::string& to);

    // Premoves (TMDIChildPremove.cpp): where the user has a colour (against an engine, or
    // in a peer game whose colours were agreed), one move of that colour may be entered
    // while the opponent is to move, with the mouse (drag or clicks) or typed on the board.
    // It is made as soon as the opponent's move has been made, and passed on as any user's
    // move; when it is not legal then, it is dropped, crossed out on the board and explained
    // in the status line. A new premove replaces the old one; the right button or Escape
    // cancels it. A piece picked for a premove marks the squares it could go to on the
    // user's next turn.
    // Returns the pending premove as "e2e4", empty when there is none.
    std::string PendingPremove() const;
    void CancelPremove();

    // Keyboard moves while the board has the focus: the typed text, shown in the small
    // entry field MoveEntry, is read as SAN or coordinates on Enter. A text that names no
    // move, or more than one, changes nothing and says why in the status line. During the
    // opponent's turn, where the user has a colour, the text sets the premove instead.
    void TypeOnBoard(const QString& text);
    bool EnterTypedMove();
    QString TypedMove() const;
    QString StatusText() const;

    // For screen readers: each square image's accessible name is its square and piece
    // ("e4, white pawn", "e5, empty"); each move made, by anyone, is announced in words
    // ("Black knight f6 takes e4, check") as the description of the label "Last move",
    // with an alert. With the board focused the arrow keys move a cursor over the squares
    // (the board's description names the square under it) and Space clicks there.
    QString LastAnnouncement() const;
    // The result as a reader reads it, from the label "Result": "White wins", "Black
    // wins", "Draw", "Draw by stalemate", or "Game in progress". The end of the game is
    // also raised as an alert. ShowResult sets it from a PGN result ("1-0", "*"), for a
    // game read from a file.
    QString ResultInWords() const;
    void ShowResult(const std::string& pgnResult);
    std::string CursorSquare() const;

    // Replay, driven by the scroll bar and by clicks in the move list.
    void ScrollBar1Scroll(int position);
    void StringGrid1MouseDown(int column, int row);
    void UndoShownMove(const std::string& line, bool white);
    void RedoShownMove(const std::string& line, bool white);

    // The piece image a square image shows (kNoImage for none); for tests and redrawing.
    PieceImage ShownImage(const std::string& square) const;
    // The current, masked piece pictures (ImageList2), by piece image index.
    const QVector<QPixmap>& PieceImages() const { return m_imageList2; }
    // The piece sheet as last cut by LoadPieceSet (ImageList1).
    const QVector<QImage>& PieceSheetCells() const { return m_imageList1; }

    // GameDisplay
    int ShownPosition() const override { return m_shownPosition; }
    void ShowPosition(int position) override;
    void SetLivePosition(int live) override;
    void MoveSquarePicture(const std::string& from, const std::string& to) override;
    void MarkLastMove(const std::string& from, const std::string& to) override;
    void SetSquarePicture(const std::string& square, PieceImage image) override;
    void CountCapture(const std::string& kind, std::uint8_t white) override;
    void EnterHalfMove(std::uint8_t white, const std::string& notation) override;
    void AppendToCurrentCell(const std::string& suffix) override;
    void AppendToTitle(const std::string& text) override;
    std::string AskPromotion() override;
    void PlaySound(const std::string& file) override;

signals:
    // The user moved a piece and the move was made, after it has gone to an attached
    // engine: its squares and its promotion letter ("Q", "R", "B", "N", or empty).
    void userMoved(const QString& from, const QString& to, const QString& promotionLetter);
    // Enter was pressed in the chat line Edit1 with this text; the line is emptied after.
    void chatEntered(const QString& text);
    // A Menu item of a peer game with agreed colours was chosen.
    void peerActionChosen(TMDIChild::PeerAction action);
    // In a peer game with agreed colours the opponent's flag fell on this side's clock: the
    // game goes on until the main window has claimed it; the own flag ends the game here.
    void opponentFlagFell(std::uint8_t white);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override; // the title's result, for readers

private:
    struct CaptureCounter {
        QFrame* panel = nullptr;
        QLabel* image = nullptr;
        QLabel* count = nullptr;
        int pieceImage = 0;
    };

    void BuildLeftPanel();
    void BuildRightPanel();
    void BuildCounters(QWidget* panel);
    void BuildMenus();
    void BuildEngineParts(QMenu* popupAction);
    bool AttachEngine(const QString& path, EngineProtocol protocol);
    void SetSpeed(QAction* item, int seconds);
    void ShowEngineThought();
    // The engine's latest thought as the panel shows it, read on the current position.
    std::optional<QString> TakeEngineThoughtText();
    void OfferStrengths();
    // The engine's resignation ends the game in the user's favour; its draw offer is put
    // to the user, and accepted ends the game drawn.
    void EngineResigned();
    void EngineOffersDraw();
    void ShowEngineStrength();
    ChessEngine::MoveList EngineMoves() const;
    void SendMoveToEngine(const std::string& from, const std::string& to);
    void MakeEngineMove(const QByteArray& line);
    void ShowEngineError(const QString& text);
    void BuildPieceImages();
    // Places the panels for the window's size, and the board, its labels, frames and
    // marks for the largest square size that fits; draws the pictures anew for a new size.
    void LayOutPanels();
    void LayOutBoard();
    QRect SquarePlace(int index) const; // where a square lies in the normal orientation
    void DrawBoardPictures();
    void PlaceFrames();
    void ParkFrames();
    void LoadBorder();
    void ShowStartPosition();
    void RedrawSquares();
    void xyStartDrag(QLabel* sender);
    // The pick-up test of a press on `square`, without its side effects.
    bool MayPickUp(const std::string& square) const;
    // The colour the user plays, when the game gives the user one.
    std::optional<std::uint8_t> UserColour() const;
    // Whether a press on `square` may pick a piece for a premove.
    bool MayPremove(const std::string& square) const;
    // `promotion` is the kind a typed premove names; empty asks when it is made.
    void SetPremove(int from, int to, const std::string& promotion = {});
    // The typed text read as the premove of `own`: SAN against the user's pieces as they
    // will be to move, coordinates as they are. A text that names no such move sets
    // nothing and says why in the status line. Returns whether the premove was set.
    bool EnterTypedPremove(const QString& typed, std::uint8_t own);
    void PlayPremove(); // after the opponent's move
    void MarkTargetsOf(int square);
    void UpdateCheckMark();
    void BuildBoardInput();
    bool BoardKeyPress(QKeyEvent* event);
    void ShowStatus(const QString& text);
    // Says in the status line why `typed` was not taken (`status` is not Found); for a
    // premove, the text was read as a move of the user's next turn. Returns false.
    bool RefuseTyped(SanStatus status, const QString& typed, bool nextTurn);
    void ShowTyped(const QString& text);
    void NameSquare(int index);
    void AnnounceLastMove();
    void Announce(const QString& words);
    void SetResultWords(const QString& words, bool alert);
    bool CursorKeyPress(QKeyEvent* event);
    void MoveCursor(int index);
    QLabel* SquareImage(std::string_view name) const;
    void ShowPiece(const std::string& square, int kindBase, bool white);
    void SelectHalfMoveCell(int halfMove);
    int CellOfHalfMove(int halfMove) const; // the half-move's place in the grid's order

    // The clocks and the players' own ways to end a game (TMDIChildClock.cpp).
    void BuildGameItems(QMenu* popupAction);
    void UpdateGameItems();
    bool ClockAllowed() const; // on one board and against an engine
    bool Playing() const;      // the same, and the game goes on
    bool DrawOfferAllowed() const;
    // How many half-moves Take Back takes now: 1 on one board, the pair against an engine
    // (or the user's move that ended the game), 0 when none may be taken.
    int HalfMovesToTakeBack() const;
    // Tells an attached engine the result of the game that just ended; `title` is the
    // result as the title shows it.
    void TellEngineResult(const std::string& title);
    void FlagFell(std::uint8_t white);
    void ShowTakenBack(const Game::TakenBack& taken);
    bool AsksPeer(PeerAction action); // true when the peer decides, told of `action`
    // Adds `delta` (+1 or -1) to the captured-piece counter of that kind and colour.
    void AdjustCaptureCount(const std::string& kind, std::uint8_t white, int delta);

    Game m_game{*this};

    QWidget* m_leftPanel = nullptr;
    QWidget* m_rightPanel = nullptr;
    QWidget* m_bottomPanel = nullptr;
    std::array<QLabel*, 64> m_squareImages{};      // by square index, a8 = 0
    std::array<QLabel*, 64> m_squareBackgrounds{}; // by square index
    std::array<PieceImage, 64> m_shown{};          // what each square image shows
    QLabel* m_sqLight = nullptr;
    QLabel* m_sqDark = nullptr;
    QLabel* m_border1 = nullptr;                  // source square of the last move
    QLabel* m_border2 = nullptr;                  // its destination
    std::array<QLabel*, 16> m_coordinateLabels{}; // Label1..Label16
    QLabel* m_whiteName = nullptr;
    QLabel* m_blackName = nullptr;
    std::array<CaptureCounter, 10> m_counters{}; // Panel1..Panel10
    MoveGrid* m_grid = nullptr;
    QScrollBar* m_scrollBar = nullptr;
    QPlainTextEdit* m_memo = nullptr;
    QLineEdit* m_edit = nullptr;
    QPushButton* m_menuButton = nullptr;
    AdvertisementPanel* m_advertisement = nullptr;
    QMenu* m_popupAction = nullptr;
    QMenu* m_popupBoard = nullptr;
    QAction* m_engineItem = nullptr;
    QAction* m_speedItem = nullptr; // the ticked one of Fast1, Medium1, Slow1
    QTimer* m_timer1 = nullptr;     // Timer1: polls the engine
    QPlainTextEdit* m_engineOutput = nullptr;
    QTimer* m_outputTimer = nullptr; // redraws m_engineOutput
    QMenu* m_strengthMenu = nullptr;
    QString m_strength; // the chosen level, empty when none was
    std::unique_ptr<ChessEngine> m_engine;
    QString m_enginePath;

    int m_squareSize = 60;
    qreal m_pixelRatio = 1.0;       // of the screen the board pictures were drawn for
    bool m_turned = false;          // turned over: a8 stands at h1's place
    QString m_pieceSet;             // the set LoadPieceSet loaded
    QVector<QPixmap> m_boardPieces; // the piece pictures at the board's square size
    int m_frameFrom = -1;           // the squares framed as the last move, -1 while parked
    int m_frameTo = -1;
    QPixmap m_frame;               // the frame picture as loaded, for every size
    QVector<QImage> m_imageList1;  // the cut piece sheet, plain
    QVector<QPixmap> m_imageList2; // the same pictures with their background left out
    int m_shownPosition = 0;
    bool m_dragging = false;        // a drag of this window is running
    bool m_askingPromotion = false; // the promotion dialog is open for this window
    bool m_askingColour = false;    // the engine's colour question is open

    BoardMarks* m_marks = nullptr;
    int m_pressed = -1;               // the square of a press that may become a click or a drag
    bool m_pressOnPicked = false;     // that press was on the picked square
    QLabel* m_moveEntry = nullptr;    // MoveEntry: the move being typed on the board
    QLabel* m_statusLine = nullptr;   // StatusLine: why a typed move was not made
    bool m_checkMarkPending = false;  // the check mark is read again once the move is over
    QLabel* m_announcement = nullptr; // "Last move": the last move in words, for readers
    int m_cursor = -1;                // the keyboard's square, -1 before the first arrow key
    QLabel* m_result = nullptr;       // "Result": the game's result in words, for readers
    QString m_titleResult;            // the result the title showed last, in words

    ClockPanel* m_clocks = nullptr;
    std::optional<TimeControl> m_timeControl;
    QAction* m_timeControlItem = nullptr;
    QAction* m_resignItem = nullptr;
    QAction* m_drawItem = nullptr;
    QAction* m_takeBackItem = nullptr;
    QAction* m_abortItem = nullptr;   // shown in peer games with agreed colours only
    QAction* m_rematchItem = nullptr; // the same
    bool m_askingTimeControl = false; // the Time Control dialog or its question is open
    bool m_askingDraw = false;        // the engine's draw offer is open

    bool m_drawOffered = false;    // the user offered the engine a draw, not yet answered
    bool m_engineThinking = false; // the engine was asked to move and has not replied
    std::optional<std::uint8_t> m_peerColour;
    bool m_peerGameHeld = false;
    QString m_opponentName; // the peer's
    QString m_engineName;   // the last engine's, kept when it has gone
    int m_premoveFrom = -1; // the premove's squares, -1 when none is pending
    int m_premoveTo = -1;
    std::string m_premovePromotion; // the kind a typed premove promotes to, else empty
};
