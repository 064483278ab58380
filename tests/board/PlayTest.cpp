#include "PlayTest.h"

#include "GamePlay.h"

#include "board/BoardSettings.h"
#include "board/MoveGrid.h"
#include "board/MoveWords.h"
#include "board/Promotion.h"

#include "game/Square.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <random>
#include <set>

namespace {

QLabel* square(const TMDIChild& window, const QString& name) {
    return window.findChild<QLabel*>(name);
}

// A press and a release on one square, as a click without motion arrives.
void clickSquare(TMDIChild& window, const QString& name) {
    window.xyMouseDown(square(window, name), Qt::LeftButton);
    window.xyMouseUp(square(window, name));
}

std::vector<std::string> played(const QStringList& moves) {
    std::vector<std::string> list;
    for (const QString& move : moves)
        list.push_back(move.toStdString());
    return list;
}

QWidget* board(const TMDIChild& window) {
    return window.findChild<QWidget*>("LeftPanel");
}

// The targets the rules give the piece on `from`: every square it may legally move to.
std::vector<std::string> rulesTargets(Game& game, int from) {
    std::vector<std::string> targets;
    const TPiece& piece = game.Model().board[from].piece;
    if (piece.IsEmpty() || piece.white != game.Model().SideToMove())
        return targets;
    for (int to = 0; to < 64; ++to) {
        if (to != from && game.IsLegalMove(SquareName(from), SquareName(to), true))
            targets.push_back(SquareName(to));
    }
    return targets;
}

// The last filled cell of the move list: the notation of the last half-move.
QString lastNotation(const TMDIChild& window, int plies) {
    const auto* grid = window.findChild<MoveGrid*>("StringGrid1");
    return grid->Cell(1 + (plies - 1) % 2, (plies - 1) / 2 + 1);
}

class NoMarks : public BoardSettings {
public:
    QString PieceSet() const override { return QStringLiteral("Modern 2"); }
    QString BoardColours() const override { return QStringLiteral("Best Green"); }
    void PlaySound(const QString&) override {}
    bool ShowLegalTargets() const override { return false; }
};

const std::vector<std::string> kPawnOnA7 = {"a2a4", "b7b5", "a4b5", "a7a6",
                                            "b5a6", "h7h6", "a6a7", "h6h5"};

} // namespace

void PlayTest::clicks_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QStringList>("clicked");
    QTest::addColumn<QString>("lastLine"); // the move record's last line afterwards
    QTest::addColumn<QString>("picked");   // the square left picked
    QTest::newRow("pawn then target") << QStringList{} << QStringList{"e2", "e4"} << "e2e4"
                                      << "";
    QTest::newRow("knight then target") << QStringList{} << QStringList{"g1", "f3"} << "g1f3"
                                        << "";
    QTest::newRow("one click picks") << QStringList{} << QStringList{"e2"} << ""
                                     << "e2";
    QTest::newRow("second click puts back") << QStringList{} << QStringList{"e2", "e2"} << ""
                                            << "";
    QTest::newRow("click elsewhere cancels") << QStringList{} << QStringList{"e2", "e5"} << ""
                                             << "";
    QTest::newRow("cancelled pick moves nothing later")
        << QStringList{} << QStringList{"e2", "e5", "e4"} << ""
        << "";
    QTest::newRow("own piece picked instead") << QStringList{} << QStringList{"e2", "g1"} << ""
                                              << "g1";
    QTest::newRow("then it moves") << QStringList{} << QStringList{"e2", "g1", "h3"} << "g1h3"
                                   << "";
    QTest::newRow("not the side to move") << QStringList{} << QStringList{"e7"} << ""
                                          << "";
    QTest::newRow("capture by clicks")
        << QStringList{"e2e4", "d7d5"} << QStringList{"e4", "d5"} << "e4d5p"
        << "";
    QTest::newRow("castling by clicks")
        << QStringList{"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6"} << QStringList{"e1", "g1"}
        << "e1g1c"
        << "";
    QTest::newRow("en passant by clicks")
        << QStringList{"e2e4", "a7a6", "e4e5", "d7d5"} << QStringList{"e5", "d6"} << "e5d6E"
        << "";
}

void PlayTest::clicks() {
    QFETCH(QStringList, before);
    QFETCH(QStringList, clicked);
    QFETCH(QString, lastLine);
    QFETCH(QString, picked);
    TMDIChild window;
    QCOMPARE(PlayMoves(window, played(before)), -1);
    for (const QString& name : clicked)
        clickSquare(window, name);
    const auto& record = window.game().Model().moveRecord;
    const int made = static_cast<int>(record.size()) - before.size();
    QCOMPARE(made, lastLine.isEmpty() ? 0 : 1);
    if (made)
        QCOMPARE(QString::fromStdString(record.back()), lastLine);
    QCOMPARE(QString::fromStdString(window.PickedSquare()), picked);
    QCOMPARE(window.MarkedTargets().empty(), picked.isEmpty());
}

void PlayTest::escapeDropsThePick() {
    TMDIChild window;
    window.show();
    clickSquare(window, "g1");
    QCOMPARE(window.PickedSquare(), std::string("g1"));
    QCOMPARE(window.MarkedTargets(), (std::vector<std::string>{"f3", "h3"}));
    QTest::keyClick(board(window), Qt::Key_Escape);
    QCOMPARE(window.PickedSquare(), std::string());
    QVERIFY(window.MarkedTargets().empty());
    clickSquare(window, "f3");
    QCOMPARE(window.game().LivePosition(), 0);
}

void PlayTest::marksMatchRulesInRandomPositions() {
    // Every square of 1000 positions of random games: a press marks exactly the squares the
    // rules let that piece go to, and the king is marked when the move list says check.
    static const char* const kPromotions[] = {"Queen", "Rook", "Bishop", "Knight"};
    constexpr int kPositions = 1000;
    constexpr int kPliesPerGame = 80;
    int positions = 0;
    int marked = 0;
    int checks = 0;
    for (unsigned seed = 1; positions < kPositions; ++seed) {
        TMDIChild window;
        Game& game = window.game();
        std::mt19937 random(seed);
        for (int ply = 0; ply < kPliesPerGame && positions < kPositions; ++ply) {
            QCoreApplication::processEvents();
            const QString notation = ply ? lastNotation(window, ply) : QString();
            const bool check = notation.endsWith('+') || notation.endsWith('#');
            QVERIFY2(
                window.MarkedCheck().empty() != check,
                qPrintable(QStringLiteral("seed %1 ply %2 %3").arg(seed).arg(ply).arg(notation)));
            checks += check;
            if (game.Model().finished)
                break;
            for (int s = 0; s < 64; ++s) {
                window.xyMouseDown(square(window, QString::fromStdString(SquareName(s))),
                                   Qt::LeftButton);
                const std::vector<std::string> expected = rulesTargets(game, s);
                if (window.MarkedTargets() != expected) {
                    QFAIL(qPrintable(QStringLiteral("seed %1 ply %2 square %3: marks differ")
                                         .arg(seed)
                                         .arg(ply)
                                         .arg(QString::fromStdString(SquareName(s)))));
                }
                marked += static_cast<int>(expected.size());
                window.CancelPick();
            }
            ++positions;
            const std::vector<Game::SquarePair> moves = game.LegalMoves();
            const Game::SquarePair move = moves[random() % moves.size()];
            game.Model().promotionChoice = kPromotions[random() % 4];
            QVERIFY(game.MakeMove(SquareName(move.from), SquareName(move.to)));
        }
    }
    qInfo("%d positions, %d marked targets, %d checks", positions, marked, checks);
    QCOMPARE(positions, kPositions);
    QVERIFY(checks > 0);
}

void PlayTest::marksSwitchedOff() {
    NoMarks settings;
    BoardSettings::Install(&settings);
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4", "f7f6", "d1h5"}), -1); // check, not mate
    QCoreApplication::processEvents();
    clickSquare(window, "g7");
    const std::string picked = window.PickedSquare();
    const auto targets = window.MarkedTargets();
    const std::string check = window.MarkedCheck();
    BoardSettings::Install(nullptr);
    QCOMPARE(picked, std::string("g7"));
    QVERIFY(targets.empty());
    QCOMPARE(check, std::string());
}

void PlayTest::typedMoves_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("lastLine"); // empty: nothing is made
    QTest::addColumn<QString>("status");   // what the status line says
    QTest::newRow("san pawn") << QStringList{} << "e4"
                              << "e2e4"
                              << "";
    QTest::newRow("san knight") << QStringList{} << "Nf3"
                                << "g1f3"
                                << "";
    QTest::newRow("coordinates") << QStringList{} << "e2e4"
                                 << "e2e4"
                                 << "";
    QTest::newRow("capture") << QStringList{"e2e4", "d7d5"} << "exd5"
                             << "e4d5p"
                             << "";
    QTest::newRow("castling") << QStringList{"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6"}
                              << "O-O"
                              << "e1g1c"
                              << "";
    QTest::newRow("promotion") << QStringList{} << "axb8=N"
                               << "a7b8nN"
                               << "";
    QTest::newRow("illegal") << QStringList{} << "Ke2"
                             << ""
                             << "Ke2 is not a legal move here.";
    QTest::newRow("not a move") << QStringList{} << "xx"
                                << ""
                                << "\"xx\" is not a move: type Nf3, exd5, e8=Q, O-O or e2e4.";
    QTest::newRow("ambiguous") << QStringList{"d2d4", "a7a6", "g1f3", "a6a5"} << "Nd2"
                               << ""
                               << "Nd2 fits more than one move: add the file or rank it starts on.";
    QTest::newRow("disambiguated") << QStringList{"d2d4", "a7a6", "g1f3", "a6a5"} << "Nbd2"
                                   << "b1d2"
                                   << "";
    QTest::newRow("wrong side") << QStringList{} << "e5"
                                << ""
                                << "e5 is not a legal move here.";
}

void PlayTest::typedMoves() {
    QFETCH(QStringList, before);
    QFETCH(QString, typed);
    QFETCH(QString, lastLine);
    QFETCH(QString, status);
    TMDIChild window;
    window.show();
    std::vector<std::string> moves = played(before);
    if (typed == "axb8=N")
        moves = kPawnOnA7;
    QCOMPARE(PlayMoves(window, moves), -1);
    QTest::keyClicks(board(window), typed);
    QCOMPARE(window.TypedMove(), typed);
    QVERIFY(window.findChild<QLabel*>("MoveEntry")->isVisible());
    QTest::keyClick(board(window), Qt::Key_Return);
    const auto& record = window.game().Model().moveRecord;
    const bool made = record.size() > moves.size();
    QCOMPARE(made, !lastLine.isEmpty());
    if (made)
        QCOMPARE(QString::fromStdString(record.back()), lastLine);
    QCOMPARE(window.StatusText(), status);
    QCOMPARE(window.findChild<QLabel*>("StatusLine")->isVisible(), !status.isEmpty());
    // A made move empties the field; a refused one keeps the text to be mended.
    QCOMPARE(window.TypedMove(), made ? QString() : typed);
}

void PlayTest::chatLineKeepsItsKeys() {
    TMDIChild window;
    window.show();
    auto* chat = window.findChild<QLineEdit*>("Edit1");
    QString sent;
    QObject::connect(&window, &TMDIChild::chatEntered,
                     [&sent](const QString& text) { sent = text; });
    QTest::keyClicks(chat, "e4 Nf3");
    QTest::keyClick(chat, Qt::Key_Escape);
    QTest::keyClick(chat, Qt::Key_Return);
    QCOMPARE(sent, QString("e4 Nf3"));
    QCOMPARE(window.TypedMove(), QString());
    QCOMPARE(window.game().LivePosition(), 0);
}

void PlayTest::secondPromotionWaitsForTheDialog() {
    // Two windows each promote on a7-b8 without a piece: the second asks while the dialog is
    // open for the first, waits, and is asked in its turn.
    TMDIChild first;
    TMDIChild second;
    first.show();
    second.show();
    QCOMPARE(PlayMoves(first, kPawnOnA7), -1);
    QCOMPARE(PlayMoves(second, kPawnOnA7), -1);
    bool secondMade = false;
    int secondPliesWhileWaiting = -1;
    int step = 0;
    int ticks = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        TPromotionForm& form = TPromotionForm::Instance();
        if (!form.isVisible())
            return;
        if (step == 0) {
            step = 1;
            QTimer::singleShot(0, &second,
                               [&] { secondMade = second.game().MakeMove("a7", "b8"); });
        } else if (step == 1 && ++ticks > 5) {
            secondPliesWhileWaiting = second.game().LivePosition();
            step = 2;
            form.findChild<QPushButton*>("Button2")->click(); // the first window's Rook
        } else if (step == 2) {
            step = 3;
            form.findChild<QPushButton*>("Button4")->click(); // the second window's Knight
        }
    });
    poll.start(10);
    QVERIFY(first.game().MakeMove("a7", "b8"));
    QTRY_VERIFY(secondMade);
    QCOMPARE(secondPliesWhileWaiting, 8);
    QCOMPARE(first.game().Model().moveRecord.back(), std::string("a7b8nR"));
    QCOMPARE(second.game().Model().moveRecord.back(), std::string("a7b8nN"));
}

void PlayTest::movesInWords_data() {
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("words"); // the announcement after the last move
    QTest::newRow("pawn") << QStringList{"e2e4"} << "White pawn e2 to e4";
    QTest::newRow("queen takes with check")
        << QStringList{"e2e4", "g8f6", "d2d3", "f6e4", "d3e4", "e7e6", "f1b5", "c7c6",
                       "b5c6", "b8c6", "g1f3", "c6d4", "f3d4", "d8h4", "d4f5", "h4e4"}
        << "Black queen h4 takes e4, check";
    QTest::newRow("castles") << QStringList{"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6", "e1g1"}
                             << "White castles kingside";
    QTest::newRow("en passant") << QStringList{"e2e4", "a7a6", "e4e5", "d7d5", "e5d6"}
                                << "White pawn e5 takes d6 en passant";
    QTest::newRow("promotion") << QStringList{"a2a4", "b7b5", "a4b5", "a7a6", "b5a6",
                                              "h7h6", "a6a7", "h6h5", "a7b8N"}
                               << "White pawn a7 takes b8, becomes a knight";
    QTest::newRow("mate") << QStringList{"f2f3", "e7e5", "g2g4", "d8h4"}
                          << "Black queen d8 to h4, checkmate";
}

void PlayTest::movesInWords() {
    QFETCH(QStringList, moves);
    QFETCH(QString, words);
    TMDIChild window;
    QCOMPARE(PlayMoves(window, played(moves)), -1);
    QCoreApplication::processEvents();
    QCOMPARE(window.LastAnnouncement(), words);
}

void PlayTest::squaresNamed() {
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4", "g8f6"}), -1);
    const struct {
        const char* square;
        const char* name;
    } rows[] = {{"e4", "e4, white pawn"},
                {"e2", "e2, empty"},
                {"f6", "f6, black knight"},
                {"e8", "e8, black king"},
                {"d1", "d1, white queen"}};
    for (const auto& row : rows)
        QCOMPARE(square(window, row.square)->accessibleName(), QString(row.name));
    window.ShowPosition(0); // a replayed position names what it shows
    QCOMPARE(square(window, "e2")->accessibleName(), QString("e2, white pawn"));
    QCOMPARE(square(window, "e4")->accessibleName(), QString("e4, empty"));
}

void PlayTest::cursorKeysPlay() {
    // The cursor starts on e2; Space picks, two steps up and Space again drops on e4. Black
    // answers from the keyboard too; on a turned board the arrows follow the screen.
    TMDIChild window;
    window.show();
    QWidget* keys = board(window);
    QTest::keyClick(keys, Qt::Key_Up);
    QCOMPARE(window.CursorSquare(), std::string("e2"));
    QCOMPARE(keys->accessibleDescription(), QString("e2, white pawn"));
    QTest::keyClick(keys, Qt::Key_Space);
    QCOMPARE(window.PickedSquare(), std::string("e2"));
    QTest::keyClick(keys, Qt::Key_Up);
    QTest::keyClick(keys, Qt::Key_Up);
    QCOMPARE(window.CursorSquare(), std::string("e4"));
    QTest::keyClick(keys, Qt::Key_Space);
    QCOMPARE(window.game().Model().moveRecord, (std::vector<std::string>{"e2e4"}));
    window.InvertBoard1Click();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(keys, Qt::Key_Down); // towards Black's side, at the top once turned
    QCOMPARE(window.CursorSquare(), std::string("e7"));
    QTest::keyClick(keys, Qt::Key_Space);
    QTest::keyClick(keys, Qt::Key_Up);
    QTest::keyClick(keys, Qt::Key_Up);
    QTest::keyClick(keys, Qt::Key_Left); // the h-file lies left on the turned board
    QCOMPARE(window.CursorSquare(), std::string("f5"));
    QTest::keyClick(keys, Qt::Key_Right);
    QTest::keyClick(keys, Qt::Key_Space);
    QCOMPARE(window.game().Model().moveRecord, (std::vector<std::string>{"e2e4", "e7e5"}));
    QCoreApplication::processEvents();
    QCOMPARE(window.LastAnnouncement(), QString("Black pawn e7 to e5"));
}

void PlayTest::additionsDrawNothingUntilUsed() {
    // The marks, the typed move's fields and the announcement label lie over the board; until
    // they are used the window's picture is the same as without them, pixel for pixel.
    TMDIChild window;
    window.show();
    QCOMPARE(PlayMoves(window, {"e2e4", "e7e5"}), -1);
    QCoreApplication::processEvents();
    const QImage with = window.grab().toImage();
    for (const char* name : {"BoardMarks", "MoveEntry", "StatusLine", "Announcement"}) {
        QWidget* addition = window.findChild<QWidget*>(name);
        QVERIFY2(addition, name);
        addition->hide();
    }
    const QImage without = window.grab().toImage();
    QCOMPARE(with.size(), without.size());
    int differing = 0;
    for (int y = 0; y < with.height(); ++y) {
        for (int x = 0; x < with.width(); ++x)
            differing += with.pixel(x, y) != without.pixel(x, y);
    }
    QCOMPARE(differing, 0);
    // A pick does draw: the same comparison sees it.
    window.findChild<QWidget*>("BoardMarks")->show();
    window.xyMouseDown(square(window, "g1"), Qt::LeftButton);
    QVERIFY(window.grab().toImage() != with);
}
