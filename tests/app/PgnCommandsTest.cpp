#include "MainFormFixture.h"

#include "app/PgnFile.h"
#include "game/Fen.h"
#include "game/TimeControl.h"

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QTest>

// PGN files opened and saved, and FEN and PGN through the clipboard, on a real main window.
class PgnCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainFormFixture> m_fixture;
    TMainForm& form() { return *m_fixture->form; }

    QString writeFile(const QString& name, const QByteArray& bytes) {
        const QString path = m_fixture->path(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    static QString cell(TMDIChild* window, int row, int column, bool tip = false) {
        const QTableWidgetItem* item = window->findChild<QTableWidget*>()->item(row - 1, column);
        return !item ? QString() : tip ? item->toolTip() : item->text();
    }

private slots:
    void init() {
        m_fixture = std::make_unique<MainFormFixture>();
        m_fixture->start();
    }
    void cleanup() { m_fixture.reset(); }

    void oneGameFileOpensAndSavesBack() {
        const QString path = writeFile(QStringLiteral("one.pgn"),
                                       "[Event \"Club\"]\n[White \"Anna\"]\n[Result \"1-0\"]\n\n"
                                       "1. e4 {the king's pawn} e5 2. Nf3 $1 1-0\n");
        TMDIChild* window = form().MakeGameWindow(path);
        QCOMPARE(window->windowTitle(), path);
        QCOMPARE(window->game().Model().moveRecord,
                 (std::vector<std::string>{"e2e4", "e7e5", "g1f3"}));
        QCOMPARE(window->game().Model().finished, 1);
        QCOMPARE(cell(window, 1, 1), QStringLiteral("e4"));
        QCOMPARE(cell(window, 1, 1, true), QStringLiteral("the king's pawn"));
        QCOMPARE(cell(window, 2, 1, true), QStringLiteral("$1 "));
        // The file's result is the game's, for a screen reader too; a new name keeps it.
        QCOMPARE(window->ResultInWords(), QStringLiteral("White wins"));
        form().FileSave1Execute();
        const QByteArray saved = readFile(path);
        QVERIFY2(saved.contains("[Event \"Club\"]\n") && saved.contains("[White \"Anna\"]\n") &&
                     saved.contains("\n1. e4 {the king's pawn} 1... e5 2. Nf3 1-0\n"),
                 saved.constData());
        window->setWindowTitle(m_fixture->path(QStringLiteral("renamed.pgn")));
        QCOMPARE(window->ResultInWords(), QStringLiteral("White wins"));
    }

    void aBadMoveOpensTheGameUpToIt() {
        const QString path = writeFile(QStringLiteral("bad.pgn"),
                                       "[White \"A\"]\n[Black \"B\"]\n\n1. e4 e5\n2. Ke3 Nc6 *\n");
        QString message;
        NextModal box(NextModal::recordMessage(message));
        TMDIChild* window = form().MakeGameWindow(path);
        QCOMPARE(message, path + QStringLiteral(", Game 1 (A - B), line 5: illegal move \"Ke3\"\n"
                                                "The game opens up to the move before it."));
        QCOMPARE(window->game().Model().moveRecord, (std::vector<std::string>{"e2e4", "e7e5"}));
    }

    void hugeAndEmptyFilesAreRefused() {
        const QString huge = m_fixture->path(QStringLiteral("huge.pgn"));
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(kMaxPgnFileBytes + 1));
        file.close();
        QString message;
        {
            NextModal box(NextModal::recordMessage(message));
            form().MakeGameWindow(huge);
        }
        QCOMPARE(message,
                 QStringLiteral("Cannot open file %1\nIt is larger than 2048 MB.").arg(huge));
        const QString empty = writeFile(QStringLiteral("empty.pgn"), "% nothing here\n");
        NextModal box(NextModal::recordMessage(message));
        form().MakeGameWindow(empty);
        QCOMPARE(message, QStringLiteral("Cannot open file %1\nIt holds no game.").arg(empty));
    }

    void severalGamesAskWhichOne() {
        const QString path = writeFile(QStringLiteral("two.pgn"), "1. e4 *\n\n1. d4 d5 *\n");
        {
            NextModal cancel([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
            TMDIChild* window = form().MakeGameWindow(path);
            QVERIFY(cancel.seen());
            QCOMPARE(window->windowTitle(), QStringLiteral("Game Board"));
            QVERIFY(window->game().Model().moveRecord.empty());
        }
        NextModal second([](QWidget* modal) {
            auto* table = modal->findChild<QAbstractItemView*>(QStringLiteral("Games"));
            QTRY_COMPARE(table->model()->rowCount(), 2);
            QCOMPARE(table->model()->index(1, 6).data().toInt(), 1);
            table->setCurrentIndex(table->model()->index(1, 0));
            QTest::keyClick(modal->findChild<QLineEdit*>(QStringLiteral("Filter")), Qt::Key_Return);
        });
        TMDIChild* window = form().MakeGameWindow(path);
        QCOMPARE(window->windowTitle(), path + QStringLiteral(" (game 2)"));
        QCOMPARE(window->game().Model().moveRecord, (std::vector<std::string>{"d2d4", "d7d5"}));
        // Never saved over the file of many games: Save asks for a name.
        bool asked = false;
        NextModal dialog([&asked](QWidget* modal) {
            asked = qobject_cast<QFileDialog*>(modal) != nullptr;
            qobject_cast<QDialog*>(modal)->reject();
        });
        form().FileSave1Execute();
        QVERIFY(asked);
        QCOMPARE(readFile(path), QByteArray("1. e4 *\n\n1. d4 d5 *\n"));
    }

    // Black moves first: the move list, the replay and the saved PGN start with Black.
    void aGameFromAPositionPlaysReplaysAndSavesAsPgn() {
        QGuiApplication::clipboard()->setText(
            QStringLiteral("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 12"));
        form().EditPasteFen1Execute();
        TMDIChild* window = form().ActiveGameWindow();
        QVERIFY(window);
        QCOMPARE(window->ShownImage("h8"), PieceImage(kBlackRook));
        QVERIFY(window->game().MakeMove("e8", "g8"));
        QVERIFY(window->game().MakeMove("e1", "c1"));
        QCOMPARE(cell(window, 1, 2), QStringLiteral("O-O"));
        QCOMPARE(cell(window, 2, 1), QStringLiteral("O-O-O"));
        window->ShowPosition(0);
        QCOMPARE(window->ShownImage("h8"), PieceImage(kBlackRook));
        QCOMPARE(window->ShownImage("a1"), PieceImage(kWhiteRook));
        QCOMPARE(window->ShownImage("f8"), kNoImage);
        form().EditCopyFen1Execute();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 12"));
        window->ShowPosition(2);
        QCOMPARE(window->ShownImage("d1"), PieceImage(kWhiteRook));
        form().EditCopyFen1Execute();
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 QStringLiteral("r4rk1/8/8/8/8/8/8/2KR3R b - - 2 13"));

        // A game file cannot hold it: a ".rvg" name is refused, a ".pgn" name is written.
        const QString rvg = m_fixture->path(QStringLiteral("position.rvg"));
        QString message;
        {
            NextModal dialog(NextModal::chooseFile(rvg));
            NextModal box(NextModal::recordMessage(message));
            form().FileSaveAs1Execute();
        }
        QVERIFY(!QFile::exists(rvg));
        const QString pgn = m_fixture->path(QStringLiteral("position.pgn"));
        {
            NextModal dialog(NextModal::chooseFile(pgn));
            form().FileSaveAs1Execute();
        }
        const QByteArray saved = readFile(pgn);
        QVERIFY2(
            saved.contains("[SetUp \"1\"]\n[FEN \"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 12\"]\n") &&
                saved.contains("\n12... O-O 13. O-O-O *\n"),
            saved.constData());
        form().EditCopyPgn1Execute();
        QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), saved);
    }

    // Under a clock each move is followed by its mover's time left, and the time control
    // is a tag; a take-back takes the move's time with it. The user plays White on one board.
    void aClockedGameRecordsItsTimes() {
        TMDIChild* window = form().MakeGameWindow(QStringLiteral("Game Board"));
        const auto pgn = [&] { return QString::fromUtf8(form().PgnTextOf(window)); };
        QVERIFY(pgn().contains(QStringLiteral("[TimeControl \"-\"]\n")));
        window->SetTimeControl(ParseTimeControl("5+3").control);
        QVERIFY(window->game().MakeMove("e2", "e4"));
        QVERIFY(window->game().MakeMove("e7", "e5"));
        QVERIFY(window->game().MakeMove("g1", "f3"));
        QString text = pgn();
        QVERIFY2(text.contains(
                     QStringLiteral("[White \"%1\"]\n[Black \"?\"]\n").arg(form().PlayerName())) &&
                     text.contains(QStringLiteral("[TimeControl \"300+3\"]\n")),
                 qPrintable(text));
        // The first move of each side is not timed; White's second earns its increment.
        const QRegularExpression clocked(
            QStringLiteral("\n1\\. e4 \\{\\[%clk 0:05:00\\]\\} 1\\.\\.\\. e5 \\{\\[%clk "
                           "0:05:00\\]\\} 2\\. Nf3 \\{\\[%clk 0:05:0[0-3]\\]\\} \\*\n"));
        QVERIFY2(clocked.match(text).hasMatch(), qPrintable(text));
        window->TakeBack1Click();
        QVERIFY2(pgn().contains(QStringLiteral("1... e5 {[%clk 0:05:00]} *\n")), qPrintable(pgn()));
        QVERIFY(window->game().MakeMove("b1", "c3"));
        QVERIFY2(pgn().contains(QStringLiteral("1... e5 {[%clk 0:05:00]} 2. Nc3 {[%clk 0:05:0")),
                 qPrintable(pgn()));
        // A clock that goes leaves the times of the moves it saw.
        window->SetTimeControl(std::nullopt);
        QVERIFY(window->game().MakeMove("b8", "c6"));
        text = pgn().simplified();
        QVERIFY2(text.contains(QStringLiteral("[TimeControl \"-\"]")) &&
                     text.contains(QStringLiteral("2. Nc3 {[%clk 0:05:0")) &&
                     text.endsWith(QStringLiteral("]} 2... Nc6 *")),
                 qPrintable(text));
#ifdef PGN_EXTRACT
        // Another program reads the game as it is saved, every move, with no complaint.
        const QString saved = writeFile(QStringLiteral("clocked.pgn"), form().PgnTextOf(window));
        QProcess extract;
        extract.start(QStringLiteral(PGN_EXTRACT),
                      {QStringLiteral("-s"), QStringLiteral("-C"), QStringLiteral("-Wuci"), saved});
        QVERIFY(extract.waitForFinished(30000));
        QCOMPARE(extract.exitCode(), 0);
        QCOMPARE(extract.readAllStandardError(), QByteArray());
        const QByteArray moves = extract.readAllStandardOutput();
        QVERIFY2(moves.contains("\ne2e4 e7e5 b1c3 b8c6 *\n"), moves.constData());
#endif
    }

    // The user, the peer and the engine named on the colours they play.
    void playersAreNamedByTheirColours() {
        const QString user = form().PlayerName();
        const auto names = [&](TMDIChild* window) {
            const QString text = QString::fromUtf8(form().PgnTextOf(window));
            const QRegularExpression tags(
                QStringLiteral("\\[White \"([^\"]*)\"\\]\n\\[Black \"([^\"]*)\"\\]"));
            const QRegularExpressionMatch match = tags.match(text);
            return match.captured(1) + QStringLiteral(" - ") + match.captured(2);
        };
        TMDIChild* peer = form().MakeGameWindow(QStringLiteral("Game Board"));
        peer->SetOpponentName(QStringLiteral("Bob"));
        QCOMPARE(names(peer), user + QStringLiteral(" - Bob"));
        peer->SetPeerColours(0, user, QStringLiteral("Bob"));
        QCOMPARE(names(peer), QStringLiteral("Bob - ") + user);
        peer->SetPeerColours(1, user, QStringLiteral("Bob"));
        QCOMPARE(names(peer), user + QStringLiteral(" - Bob"));

        // Real engines: an xboard engine not asked its features is named after its program;
        // a UCI engine by the name it gives. The name stays once the engine has gone.
        struct Row {
            const char* program;
            EngineProtocol protocol;
            bool userWhite;
            const char* name; // the start of the engine's name
        };
        const Row rows[] = {{"/usr/games/fairymax", EngineProtocol::Xboard, true, "fairymax"},
                            {"/usr/games/stockfish", EngineProtocol::Uci, false, "Stockfish"}};
        int ran = 0;
        for (const Row& row : rows) {
            if (!QFile::exists(QString::fromLatin1(row.program)))
                continue;
            ++ran;
            TMDIChild* window = form().MakeGameWindow(QStringLiteral("Game Board"));
            {
                NextModal colour([&row](QWidget* modal) {
                    auto* box = qobject_cast<QMessageBox*>(modal);
                    QVERIFY(box);
                    box->button(row.userWhite ? QMessageBox::Yes : QMessageBox::No)->click();
                });
                window->StartEngine(QString::fromLatin1(row.program), row.protocol);
                QVERIFY(colour.seen());
            }
            QVERIFY(window->EngineAttached());
            // The engine's side starts with its name, the user's side is the user's.
            const QRegularExpression named(
                row.userWhite
                    ? QStringLiteral("^%1 - %2$")
                          .arg(QRegularExpression::escape(user), QString::fromLatin1(row.name))
                    : QStringLiteral("^%1.* - %2$")
                          .arg(QString::fromLatin1(row.name), QRegularExpression::escape(user)));
            QTRY_VERIFY2_WITH_TIMEOUT(named.match(names(window)).hasMatch(),
                                      qPrintable(names(window)), 20000);
            const QString before = names(window);
            window->CloseEngineLink();
            QVERIFY(!window->EngineAttached());
            QCOMPARE(names(window), before);
        }
        if (ran == 0)
            QSKIP("neither fairymax nor stockfish is installed");
    }

    // Black's first move taken back leaves the move list as it was before it, and the
    // move made instead fills the same cell.
    void aGameThatBlackBeginsTakesBackItsFirstMove() {
        QGuiApplication::clipboard()->setText(
            QStringLiteral("r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 12"));
        form().EditPasteFen1Execute();
        TMDIChild* window = form().ActiveGameWindow();
        QVERIFY(window);
        auto* grid = window->findChild<QTableWidget*>();
        const int rows = grid->rowCount();
        QVERIFY(window->game().MakeMove("e8", "g8"));
        QCOMPARE(cell(window, 1, 2), QStringLiteral("O-O"));
        window->TakeBack1Click();
        QCOMPARE(window->game().LivePosition(), 0);
        QCOMPARE(cell(window, 1, 2), QString());
        QCOMPARE(grid->rowCount(), rows);
        QVERIFY(window->game().MakeMove("e8", "c8"));
        QVERIFY(window->game().MakeMove("e1", "g1"));
        QCOMPARE(cell(window, 1, 2), QStringLiteral("O-O-O"));
        QCOMPARE(cell(window, 2, 1), QStringLiteral("O-O"));
        QVERIFY2(form().PgnTextOf(window).contains("\n12... O-O-O 13. O-O *\n"),
                 form().PgnTextOf(window).constData());
    }

    void pastedTextThatIsNoGameIsRefused() {
        QGuiApplication::clipboard()->setText(QStringLiteral("8/8/8 w - - 0 1"));
        const int before = form().Workspace()->subWindowList().size();
        QString message;
        NextModal box(NextModal::recordMessage(message));
        form().EditPasteFen1Execute();
        QCOMPARE(message, QStringLiteral("The clipboard holds neither a FEN nor a PGN game.\n"
                                         "As a FEN: 8 ranks expected"));
        QCOMPARE(form().Workspace()->subWindowList().size(), before);
    }
};

QTEST_MAIN(PgnCommandsTest)
#include "PgnCommandsTest.moc"
