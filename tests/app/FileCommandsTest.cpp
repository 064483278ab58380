#include "MainFormFixture.h"
#include "ReadOnlyFolder.h"

#include "app/GameFile.h"

#include <QAbstractScrollArea>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMimeData>
#include <QTest>
#include <QUrl>
#include <QWindow>

#include <sys/stat.h>

using Lines = std::vector<std::string>;

// Save, Save As, Open, loading into a window, dropped files, the start-up file and the
// hand-over from a later start, all on a real main window.
class FileCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainFormFixture> m_fixture;
    TMainForm& form() { return *m_fixture->form; }

    // The start-up game window, made the active child (the Main Console is at first).
    TMDIChild* startupGame() {
        TMDIChild* window = form().GameWindows().front();
        form().Workspace()->setActiveSubWindow(
            qobject_cast<QMdiSubWindow*>(window->parentWidget()));
        if (form().ActiveGameWindow() != window)
            qFatal("cannot activate the game window");
        return window;
    }

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
    static void play(TMDIChild* window, const Lines& moves) {
        for (size_t i = 0; i + 1 < moves.size(); i += 2)
            QVERIFY(window->game().MakeMove(moves[i], moves[i + 1]));
    }
    static void cancel(QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); }

private slots:
    void init() {
        m_fixture = std::make_unique<MainFormFixture>();
        m_fixture->start();
    }
    void cleanup() { m_fixture.reset(); }

    void saveAsThenSaveThenLoad() {
        TMDIChild* window = startupGame();
        play(window, {"e2", "e4", "e7", "e5"});
        const QString path = m_fixture->path(QStringLiteral("round"));
        {
            NextModal dialog(NextModal::chooseFile(path));
            form().FileSaveAs1Execute();
            QVERIFY(dialog.seen());
        }
        // The dialog's default extension completes the name.
        QCOMPARE(window->windowTitle(), path + ".rvg");
        QCOMPARE(readFile(path + ".rvg"), QByteArray("e2e4\r\ne7e5\r\n"));

        play(window, {"g1", "f3"});
        NextModal noDialog([](QWidget* modal) { modal->close(); });
        form().FileSave1Execute();
        QVERIFY(!noDialog.seen());
        QCOMPARE(readFile(path + ".rvg"), QByteArray("e2e4\r\ne7e5\r\ng1f3\r\n"));

        TMDIChild* loaded = form().MakeGameWindow(path + ".rvg");
        QCOMPARE(form().ActiveGameWindow(), loaded);
        QCOMPARE(loaded->game().Model().moveRecord, (Lines{"e2e4", "e7e5", "g1f3"}));
        QCOMPARE(loaded->game().Model().finished, 1);
        QCOMPARE(loaded->game().LivePosition(), 3);
        QCOMPARE(loaded->ShownPosition(), 0);
        QCOMPARE(loaded->windowTitle(), path + ".rvg");
    }

    void saveGoesToSaveAsUnlessTheTitleEndsInRvg_data() {
        QTest::addColumn<QString>("title");
        QTest::newRow("new game") << "Game Board";
        QTest::newRow("shorter than four") << "abc";
        QTest::newRow("upper case") << "G1.RVG";
        QTest::newRow("result appended") << "g1.rvg - (Draw)";
    }
    void saveGoesToSaveAsUnlessTheTitleEndsInRvg() {
        QFETCH(QString, title);
        // Titles that name files name them in the test's own folder.
        if (title.contains('.'))
            title = m_fixture->path(title);
        TMDIChild* window = startupGame();
        window->setWindowTitle(title);
        play(window, {"d2", "d4"});
        NextModal dialog(cancel);
        form().FileSave1Execute();
        QVERIFY(dialog.seen());
        QCOMPARE(window->windowTitle(), title);
        QCOMPARE(QDir(m_fixture->folder.path()).entryList(QDir::Files), QStringList{});
    }

    void emptyGameIsNeverWritten() {
        TMDIChild* window = startupGame();
        const QString path = m_fixture->path(QStringLiteral("empty.rvg"));
        window->setWindowTitle(path);
        NextModal anything([](QWidget* modal) { modal->close(); });
        form().FileSave1Execute();
        form().FileSaveAs1Execute();
        QTest::qWait(50);
        QVERIFY(!anything.seen());
        QVERIFY(!QFile::exists(path));
    }

    void failedSaveKeepsTheOldFile() {
        const QString path = writeFile(QStringLiteral("kept.rvg"), "e2e4\r\n");
        TMDIChild* window = form().MakeGameWindow(QStringLiteral("Game Board"));
        window->setWindowTitle(path);
        play(window, {"d2", "d4", "d7", "d5"});
        QString message;
        {
            const ReadOnlyFolder readOnly(m_fixture->folder.path());
            NextModal box(NextModal::recordMessage(message));
            form().FileSave1Execute();
            QVERIFY(box.seen());
        }
        QCOMPARE(message, QStringLiteral("Cannot create file ") + path);
        QCOMPARE(readFile(path), QByteArray("e2e4\r\n"));

        // Save As into a folder that is not there: the title stays as it was.
        const QString nowhere = m_fixture->path(QStringLiteral("no/such/g.rvg"));
        NextModal dialog(NextModal::chooseFile(nowhere));
        NextModal box2(NextModal::recordMessage(message));
        form().FileSaveAs1Execute();
        QCOMPARE(message, QStringLiteral("Cannot create file ") + nowhere);
        QCOMPARE(window->windowTitle(), path);
    }

    void badFileIsRefused_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("detail");
        QTest::newRow("word") << QByteArray("e2e4\r\nhello\r\n")
                              << "Line 2 is not a move: \"hello\"";
        QTest::newRow("off the board") << QByteArray("e2e9\n") << "Line 1 is not a move: \"e2e9\"";
        QTest::newRow("gap") << QByteArray("e2e4\n\ne7e5\n") << "Line 2 is not a move: \"\"";
    }
    void badFileIsRefused() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, detail);
        const QString path = writeFile(QStringLiteral("bad.rvg"), bytes);
        QString message;
        NextModal box(NextModal::recordMessage(message));
        TMDIChild* window = form().MakeGameWindow(path);
        QCOMPARE(message, QStringLiteral("Cannot open file ") + path + '\n' + detail);
        QCOMPARE(window->windowTitle(), path);
        QVERIFY(window->game().Model().moveRecord.empty());
        QCOMPARE(window->game().Model().finished, 1);
        QCOMPARE(window->game().LivePosition(), 0);
    }

    void unreadableAndMissingFiles() {
        QVERIFY(QDir(m_fixture->folder.path()).mkdir(QStringLiteral("folder.rvg")));
        QString message;
        {
            NextModal box(NextModal::recordMessage(message));
            TMDIChild* window =
                form().MakeGameWindow(m_fixture->path(QStringLiteral("folder.rvg")));
            QCOMPARE(window->game().Model().finished, 1);
        }
        QCOMPARE(message, QStringLiteral("Cannot open file ") + m_fixture->path("folder.rvg"));
        NextModal none([](QWidget* modal) { modal->close(); });
        TMDIChild* fresh = form().MakeGameWindow(m_fixture->path(QStringLiteral("none.rvg")));
        QVERIFY(!none.seen());
        QCOMPARE(fresh->game().Model().finished, 0);
    }

    // A named pipe or a device reaches the reader by every path that opens a file: the
    // Open dialog, a dropped file and a later start's hand-over. Each gets the message at
    // once and an empty finished window; the program goes on.
    void oddFilesAreRefusedOnEveryPath() {
        const QString pipe = m_fixture->path(QStringLiteral("pipe.rvg"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString zero = m_fixture->path(QStringLiteral("zero.rvg"));
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
        const auto expectRefused = [this](const QString& path, const std::function<void()>& open) {
            // Answers the Open dialog, when one opens, with `path`, then records the message.
            QString message;
            QTimer answer;
            connect(&answer, &QTimer::timeout, [&message, path] {
                QWidget* modal = QApplication::activeModalWidget();
                if (qobject_cast<QFileDialog*>(modal)) {
                    NextModal::chooseFile(path)(modal);
                } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
                    message = box->text();
                    box->close();
                }
            });
            answer.start(10);
            open();
            QTRY_VERIFY2(!message.isEmpty(), qPrintable(path));
            QCOMPARE(message, QStringLiteral("Cannot open file ") + path);
            TMDIChild* window = form().ActiveGameWindow();
            QVERIFY(window);
            QCOMPARE(window->windowTitle(), path);
            QCOMPARE(window->game().Model().finished, 1);
            QVERIFY(window->game().Model().moveRecord.empty());
        };
        for (const QString& path : {pipe, QStringLiteral("/dev/zero")}) {
            expectRefused(path, [this] { form().FileOpen1Execute(); });
            expectRefused(path,
                          [this, path] { form().ReceiveHandOver('"' + path.toUtf8() + '"'); });
        }
        for (const QString& path : {pipe, zero}) {
            expectRefused(path, [this, path] {
                QMimeData data;
                data.setUrls({QUrl::fromLocalFile(path)});
                QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                                      Qt::NoModifier);
                QApplication::sendEvent(&form(), &enter);
                QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                                Qt::NoModifier);
                QApplication::sendEvent(&form(), &drop);
                QVERIFY(drop.isAccepted());
            });
        }
    }

    void refusedLineIsQuotedShort() {
        const QString path =
            writeFile(QStringLiteral("long.rvg"), "e2e4\r\n" + QByteArray(5000, 'z'));
        QString message;
        NextModal box(NextModal::recordMessage(message));
        form().MakeGameWindow(path);
        const QString quote = QString(kMaxQuotedCharacters - 1, 'z') + QChar(0x2026);
        QCOMPARE(
            message,
            QStringLiteral("Cannot open file %1\nLine 2 is not a move: \"%2\"").arg(path, quote));
    }

    void droppedFiles() {
        const QString a = writeFile(QStringLiteral("a.rvg"), "e2e4\r\n");
        const QString b = writeFile(QStringLiteral("b.txt"), "e2e4\r\n");
        const QString c = writeFile(QStringLiteral("c.RVG"), "e2e4\r\n");
        const int before = form().Workspace()->subWindowList().size();
        form().AcceptDroppedFiles({a, b, c});
        QCOMPARE(form().Workspace()->subWindowList().size(), before + 1);
        QCOMPARE(form().ActiveGameWindow()->windowTitle(), a);

        // The same through a real drop on the main window.
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(c), QUrl::fromLocalFile(a)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(&form(), &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form(), &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(form().Workspace()->subWindowList().size(), before + 2);
        QCOMPARE(form().ActiveGameWindow()->game().Model().moveRecord, Lines{"e2e4"});
    }

    void filesDroppedOnAGameWindow_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("square image") << "e2";
        QTest::newRow("chat line") << "Edit1";
        QTest::newRow("advertisement") << "CppWebBrowser1";
    }
    void filesDroppedOnAGameWindow() {
        QFETCH(QString, target);
        const QString file = writeFile(QStringLiteral("dropped.rvg"), "d2d4\r\nd7d5\r\n");
        TMDIChild* window = startupGame();
        auto* widget = window->findChild<QWidget*>(target);
        QVERIFY(widget);
        // A scroll area takes its drops on its viewport.
        if (auto* area = qobject_cast<QAbstractScrollArea*>(widget))
            widget = area->viewport();
        const int before = form().Workspace()->subWindowList().size();
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(file)});
        // Delivered to the main window's screen window, as the desktop's drag is: the window
        // itself finds the widget under the point that takes drops.
        const QPoint at = widget->mapTo(&form(), widget->rect().center());
        QWindow* screenWindow = form().windowHandle();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(screenWindow, &enter);
        QVERIFY(enter.isAccepted());
        QDragMoveEvent move(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(screenWindow, &move);
        QVERIFY(move.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(screenWindow, &drop);
        QVERIFY(drop.isAccepted());
        QTRY_COMPARE(form().Workspace()->subWindowList().size(), before + 1);
        QCOMPARE(form().ActiveGameWindow()->windowTitle(), file);
        QCOMPARE(form().ActiveGameWindow()->game().Model().moveRecord, (Lines{"d2d4", "d7d5"}));
        // The window it fell on took nothing: no move, no text.
        QVERIFY(window->game().Model().moveRecord.empty());
        QCOMPARE(window->findChild<QLineEdit*>(QStringLiteral("Edit1"))->text(), QString());

        // Text dragged onto the chat line is still the line's own business.
        QMimeData text;
        text.setText(QStringLiteral("hello"));
        QDragEnterEvent textEnter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton,
                                  Qt::NoModifier);
        QApplication::sendEvent(window->findChild<QLineEdit*>(QStringLiteral("Edit1")), &textEnter);
        QVERIFY(textEnter.isAccepted());
        QCOMPARE(form().Workspace()->subWindowList().size(), before + 1);
    }

    void handOver_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("opens");
        QTest::newRow("quoted") << QByteArray("\"%1\"\0", 5) << true;
        QTest::newRow("bare") << QByteArray("%1") << true;
        QTest::newRow("blanks") << QByteArray("  \"%1\" ") << true;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("zero first") << QByteArray("\0\"%1\"", 5) << false;
    }
    void handOver() {
        QFETCH(QByteArray, text);
        QFETCH(bool, opens);
        const QString path = writeFile(QStringLiteral("h.rvg"), "e2e4\r\ne7e5\r\n");
        text.replace("%1", path.toUtf8());
        const int before = form().Workspace()->subWindowList().size();
        form().ReceiveHandOver(text);
        QCOMPARE(form().Workspace()->subWindowList().size(), before + (opens ? 1 : 0));
        if (opens) {
            QCOMPARE(form().ActiveGameWindow()->windowTitle(), path);
            QCOMPARE(form().ActiveGameWindow()->game().Model().moveRecord.size(), size_t(2));
        }
    }

    void startupFileGoesIntoTheFirstWindow() {
        m_fixture.reset();
        m_fixture = std::make_unique<MainFormFixture>();
        const QString path = m_fixture->path(QStringLiteral("start.rvg"));
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("e2e4\r\ne7e5\r\ng1f3");
        }
        m_fixture->start({path, QStringLiteral("ignored")});
        QCOMPARE(form().GameWindows().size(), size_t(1));
        TMDIChild* window = form().GameWindows().front();
        QCOMPARE(window->windowTitle(), path);
        QCOMPARE(window->game().Model().moveRecord, (Lines{"e2e4", "e7e5", "g1f3"}));
        QCOMPARE(window->game().Model().finished, 1);
    }

    void openDialogOpensANewWindow() {
        const QString path = writeFile(QStringLiteral("o.rvg"), "d2d4\r\n");
        {
            NextModal dialog(NextModal::chooseFile(path));
            form().FileOpen1Execute();
            QVERIFY(dialog.seen());
        }
        QCOMPARE(form().ActiveGameWindow()->windowTitle(), path);
        QCOMPARE(form().OpenDialog()->nameFilters(),
                 (QStringList{"Rookvale Files (*.rvg)", "PGN Files (*.pgn)"}));
        QCOMPARE(form().SaveDialog1()->defaultSuffix(), QStringLiteral("rvg"));
        const int before = form().Workspace()->subWindowList().size();
        NextModal dialog(cancel);
        form().FileOpen1Execute();
        QCOMPARE(form().Workspace()->subWindowList().size(), before);
    }
};

QTEST_MAIN(FileCommandsTest)
#include "FileCommandsTest.moc"
