#include "PremoveTest.h"

#include "GamePlay.h"
#include "TestSettings.h"

#include "game/Fen.h"
#include "game/NullDisplay.h"
#include "game/Square.h"

#include <QLabel>
#include <QTest>

#include <random>

namespace {

QLabel* square(const TMDIChild& window, const std::string& name) {
    return window.findChild<QLabel*>(QString::fromStdString(name));
}

// The squares the piece on `from` may go to when its own side is to move, read by the
// rules from the position written out as FEN with the other side to move and no en-passant
// square: a reading of the next turn that shares nothing with the board's.
std::vector<std::string> nextTurnTargets(const BoardModel& model, int from) {
    std::string fen = FenText(model);
    const std::size_t side = fen.find(' ');
    fen[side + 1] = fen[side + 1] == 'w' ? 'b' : 'w';
    const std::size_t passant = fen.find(' ', fen.find(' ', side + 1) + 1) + 1;
    fen.replace(passant, fen.find(' ', passant) - passant, "-");
    NullDisplay display;
    Game turned(display);
    if (!turned.Model().SetUpFromFen(fen))
        qFatal("the rules refused %s", fen.c_str());
    std::vector<std::string> targets;
    for (int to = 0; to < 64; ++to) {
        if (to != from && turned.IsLegalMove(SquareName(from), SquareName(to), true))
            targets.push_back(SquareName(to));
    }
    return targets;
}

// A window whose user plays `own` (1 White) against a peer.
void giveColour(TMDIChild& window, std::uint8_t own) {
    window.SetPeerColours(own, QStringLiteral("user"), QStringLiteral("peer"));
}

void type(TMDIChild& window, const QString& text) {
    for (const QChar c : text)
        window.TypeOnBoard(QString(c));
    window.EnterTypedMove();
}

class NoTargetMarks : public TestSettings {
public:
    bool ShowLegalTargets() const override { return false; }
};

} // namespace

void PremoveTest::marksMatchNextTurnRules() {
    // In positions of random games, during the opponent's turn, a press on each of the
    // user's pieces marks exactly where the rules would let it go on the user's next turn.
    static const char* const kPromotions[] = {"Queen", "Rook", "Bishop", "Knight"};
    constexpr int kPositions = 300;
    int positions = 0;
    int marked = 0;
    int castlings = 0;
    for (unsigned seed = 1; positions < kPositions; ++seed) {
        TMDIChild window;
        Game& game = window.game();
        std::mt19937 random(seed);
        for (int ply = 0; ply < 100 && positions < kPositions; ++ply) {
            const std::vector<Game::SquarePair> moves = game.LegalMoves();
            if (moves.empty())
                break;
            const Game::SquarePair move = moves[random() % moves.size()];
            game.Model().promotionChoice = kPromotions[random() % 4];
            QVERIFY(game.MakeMove(SquareName(move.from), SquareName(move.to)));
            if (game.Model().finished)
                break;
            // The user is the side that has just moved.
            const std::uint8_t own = game.Model().sideMarker;
            giveColour(window, own);
            for (int s = 0; s < 64; ++s) {
                const TPiece& piece = game.Model().board[s].piece;
                if (piece.IsEmpty() || piece.white != own)
                    continue;
                window.xyMouseDown(square(window, SquareName(s)), Qt::LeftButton);
                const std::vector<std::string> expected = nextTurnTargets(game.Model(), s);
                QVERIFY2(window.PickedSquare() == SquareName(s),
                         qPrintable(QStringLiteral("seed %1 ply %2: %3 not picked")
                                        .arg(seed)
                                        .arg(ply)
                                        .arg(QString::fromStdString(SquareName(s)))));
                QVERIFY2(window.MarkedTargets() == expected,
                         qPrintable(QStringLiteral("seed %1 ply %2 square %3: marks differ")
                                        .arg(seed)
                                        .arg(ply)
                                        .arg(QString::fromStdString(SquareName(s)))));
                marked += static_cast<int>(expected.size());
                if (piece.kind == kind::King) {
                    for (const std::string& target : expected)
                        castlings += std::abs(SquareIndex(target) - s) == 2;
                }
                window.CancelPick();
            }
            QVERIFY(window.PendingPremove().empty());
            ++positions;
        }
    }
    qInfo("%d positions, %d marked targets, %d castlings among them", positions, marked, castlings);
    QCOMPARE(positions, kPositions);
    QVERIFY(castlings > 0);
}

void PremoveTest::marksSwitchedOff() {
    NoTargetMarks settings;
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4"}), -1);
    giveColour(window, 1);
    window.xyMouseDown(square(window, "f1"), Qt::LeftButton);
    QCOMPARE(window.PickedSquare(), std::string("f1"));
    QVERIFY(window.MarkedTargets().empty());
}

void PremoveTest::typedPremoves_data() {
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("premove"); // empty: none is set
    QTest::addColumn<QString>("status");
    // The user plays White; Black is to move after `before`.
    QTest::newRow("knight") << QStringList{"e2e4"} << "Nf3"
                            << "g1f3"
                            << "";
    QTest::newRow("bishop opened by the last move") << QStringList{"e2e4"} << "Bc4"
                                                    << "f1c4"
                                                    << "";
    QTest::newRow("castling") << QStringList{"e2e4", "e7e5", "g1f3", "b8c6", "f1c4"} << "O-O"
                              << "e1g1"
                              << "";
    QTest::newRow("file named") << QStringList{"g1f3", "a7a6", "d2d3"} << "Nbd2"
                                << "b1d2"
                                << "";
    QTest::newRow("coordinates") << QStringList{"e2e4"} << "d2d4"
                                 << "d2d4"
                                 << "";
    QTest::newRow("coordinates taken as they stand") << QStringList{"e2e4"} << "a2b3"
                                                     << "a2b3"
                                                     << "";
    QTest::newRow("ambiguous") << QStringList{"g1f3", "a7a6", "d2d3"} << "Nd2"
                               << ""
                               << "Nd2 fits more than one of your moves: add the file or rank "
                                  "it starts on.";
    QTest::newRow("no piece can") << QStringList{"d2d4"} << "Ke2"
                                  << ""
                                  << "Ke2 is not a move your pieces could make on your next "
                                     "turn.";
    QTest::newRow("the opponent's move") << QStringList{"e2e4"} << "Nf6"
                                         << ""
                                         << "Nf6 is not a move your pieces could make on your "
                                            "next turn.";
    QTest::newRow("the opponent's piece") << QStringList{"e2e4"} << "e7e5"
                                          << ""
                                          << "e7e5: there is no piece of yours on e7.";
    QTest::newRow("a promotion that is none") << QStringList{"e2e4"} << "d2d4Q"
                                              << ""
                                              << "d2d4Q is not a move your pieces could make.";
    QTest::newRow("not a move") << QStringList{"e2e4"} << "xx"
                                << ""
                                << "\"xx\" is not a move: type Nf3, exd5, e8=Q, O-O or e2e4.";
}

void PremoveTest::typedPremoves() {
    QFETCH(QStringList, before);
    QFETCH(QString, typed);
    QFETCH(QString, premove);
    QFETCH(QString, status);
    TMDIChild window;
    std::vector<std::string> moves;
    for (const QString& move : before)
        moves.push_back(move.toStdString());
    QCOMPARE(PlayMoves(window, moves), -1);
    giveColour(window, 1);
    type(window, typed);
    QCOMPARE(QString::fromStdString(window.PendingPremove()), premove);
    QCOMPARE(window.StatusText(), status);
    // The game itself is untouched, whatever was read.
    QCOMPARE(static_cast<int>(window.game().Model().moveRecord.size()), before.size());
    QCOMPARE(window.TypedMove().isEmpty(), !premove.isEmpty());
}

void PremoveTest::typedPremoveIsMade_data() {
    QTest::addColumn<QString>("fen");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("reply"); // the opponent's move, made from outside
    QTest::addColumn<QString>("made");  // the last record line afterwards
    QTest::addColumn<QString>("status");
    QTest::addColumn<QString>("set");   // what a reader hears when the premove is set
    QTest::addColumn<QString>("heard"); // and once it was made or dropped
    const QString start =
        QStringLiteral("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
    QTest::newRow("made") << start << "Nf3"
                          << "e7e5"
                          << "g1f3"
                          << ""
                          << "Premove g1 to f3"
                          << "White knight g1 to f3";
    QTest::newRow("capture made") << "rnbqkbnr/ppp1pppp/8/3p4/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2"
                                  << "exd5"
                                  << "e7e6"
                                  << "e4d5p"
                                  << ""
                                  << "Premove e4 to d5"
                                  << "White pawn e4 takes d5";
    QTest::newRow("dropped") << start << "a2b3"
                             << "e7e5"
                             << "e7e5"
                             << "Premove a2-b3 dropped: it is not a legal move now."
                             << "Premove a2 to b3"
                             << "Premove a2-b3 dropped: it is not a legal move now.";
    QTest::newRow("promotion kind kept") << "4k3/1P6/8/8/8/8/8/4K3 b - - 0 1"
                                         << "b8=N"
                                         << "e8e7"
                                         << "b7b8N"
                                         << ""
                                         << "Premove b7 to b8, becomes a knight"
                                         << "White pawn b7 to b8, becomes a knight";
    QTest::newRow("promotion by coordinates") << "4k3/1P6/8/8/8/8/8/4K3 b - - 0 1"
                                              << "b7b8R"
                                              << "e8d7"
                                              << "b7b8R"
                                              << ""
                                              << "Premove b7 to b8, becomes a rook"
                                              << "White pawn b7 to b8, becomes a rook";
}

void PremoveTest::typedPremoveIsMade() {
    QFETCH(QString, fen);
    QFETCH(QString, typed);
    QFETCH(QString, reply);
    QFETCH(QString, made);
    QFETCH(QString, status);
    TMDIChild window;
    QVERIFY(window.StartFromPosition(fen.toStdString()));
    giveColour(window, 1);
    QStringList passedOn;
    connect(&window, &TMDIChild::userMoved, &window,
            [&passedOn](const QString& from, const QString& to, const QString& letter) {
                passedOn << from + to + letter;
            });
    QFETCH(QString, set);
    QFETCH(QString, heard);
    type(window, typed);
    QVERIFY(!window.PendingPremove().empty());
    QCOMPARE(window.LastAnnouncement(), set);
    QVERIFY(
        window.MakeMoveFromOutside(reply.left(2).toStdString(), reply.mid(2).toStdString(), ""));
    // The premove is played once the reply has been dealt with, made or dropped.
    QTRY_VERIFY(window.PendingPremove().empty());
    QTRY_COMPARE(window.LastAnnouncement(), heard);
    QCOMPARE(QString::fromStdString(window.game().Model().moveRecord.back()), made);
    QCOMPARE(window.StatusText(), status);
    // A premove made goes to the opponent as any move of the user's.
    QCOMPARE(passedOn.size(), status.isEmpty() ? 1 : 0);
}

void PremoveTest::cancelledPremoveIsSaid() {
    // Escape and the right button cancel a premove aloud; with none set they say nothing.
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4"}), -1);
    giveColour(window, 1);
    QTRY_COMPARE(window.LastAnnouncement(), QStringLiteral("White pawn e2 to e4"));
    QWidget* board = window.findChild<QWidget*>(QStringLiteral("LeftPanel"));
    QTest::keyClick(board, Qt::Key_Escape);
    window.xyMouseDown(square(window, "b1"), Qt::LeftButton); // being entered, not yet set
    window.xyMouseDown(square(window, "a1"), Qt::RightButton);
    QCOMPARE(window.LastAnnouncement(), QStringLiteral("White pawn e2 to e4"));
    type(window, QStringLiteral("Nf3"));
    QCOMPARE(window.LastAnnouncement(), QStringLiteral("Premove g1 to f3"));
    QTest::keyClick(board, Qt::Key_Escape);
    QCOMPARE(window.PendingPremove(), std::string());
    QCOMPARE(window.LastAnnouncement(), QStringLiteral("Premove cancelled"));
    type(window, QStringLiteral("d2d4"));
    QCOMPARE(window.LastAnnouncement(), QStringLiteral("Premove d2 to d4"));
    window.xyMouseDown(square(window, "a1"), Qt::RightButton);
    QCOMPARE(window.PendingPremove(), std::string());
    QCOMPARE(window.LastAnnouncement(), QStringLiteral("Premove cancelled"));
}

void PremoveTest::noPremoveWithoutColours() {
    // On one board, and in a peer game whose colours were never agreed (an old peer's),
    // the user has no colour: neither a press nor a text during "the opponent's" turn sets
    // a premove, and the typed text is read as an ordinary move of the side to move.
    TMDIChild window;
    QCOMPARE(PlayMoves(window, {"e2e4"}), -1);
    window.xyMouseDown(square(window, "g1"), Qt::LeftButton);
    QCOMPARE(window.PickedSquare(), std::string());
    type(window, QStringLiteral("Nf3"));
    QCOMPARE(window.PendingPremove(), std::string());
    QCOMPARE(window.StatusText(), QStringLiteral("Nf3 is not a legal move here."));
}
