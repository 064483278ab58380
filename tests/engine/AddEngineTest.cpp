// Tools > Add Engine... in a main window: the dialog, the folder test, the window named
// after the engine, and the console line for a file from elsewhere.
#include "ScriptedEngine.h"
#include "WindowSupport.h"

#include "app/OptionsMenu.h"
#include "engine/UciEngine.h"
#include "peer/Unit2.h"
#include "tests/app/MainFormFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QTimer>

#include <algorithm>

namespace {

constexpr int kWait = 15000;
const QString kOutsideMessage = "\r\nPlease select an engine from the 'Engines' directory.";

// A main window with the folders Engines (and one below it) and Elsewhere beside it.
struct EngineMainForm : MainFormFixture {
    QPlainTextEdit* startupLog = nullptr; // Memo1 of the start-up Main Console

    void start() {
        QDir(folder.path()).mkpath(QStringLiteral("Engines/deeper"));
        QDir(folder.path()).mkpath(QStringLiteral("Elsewhere"));
        MainFormFixture::start();
        startupLog = form->findChild<TForm2*>()->Memo1();
    }
    // A link to the scripted engine at `name` below the program's folder.
    QString linkEngine(const QString& name) {
        QFile::link(ScriptedEngine::Program(), path(name));
        return path(name);
    }
    // Chooses `file` in the engine dialog once it opens, or cancels for an empty name.
    std::unique_ptr<NextModal> choose(const QString& file, QString* startFolder = nullptr) {
        return std::make_unique<NextModal>([file, startFolder](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            if (startFolder)
                *startFolder = dialog->directory().absolutePath();
            if (file.isEmpty()) {
                dialog->reject();
                return;
            }
            // Typed into the name field, as a person does.
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(file);
            static_cast<QDialog*>(dialog)->accept(); // the file dialog's own check runs
        });
    }
    void addEngine() { form->findChild<QAction*>(QStringLiteral("AddEngine1"))->trigger(); }
    // The protocol remembered for the engine file `key` (its path below "Engines").
    QString remembered(const QString& key) const {
        return form->Options()->Setting(QStringLiteral("Engines"), key);
    }
    // Before start: the settings already say which protocol that engine file speaks.
    void remember(const QString& key, const QString& protocol,
                  const QString& section = QStringLiteral("Engines")) {
        QFile settings(path(QStringLiteral("Settings.ini")));
        QVERIFY(settings.open(QIODevice::Append));
        settings.write(("[" + section + "]\r\n" + key + "=" + protocol + "\r\n").toUtf8());
    }
};

} // namespace

class AddEngineTest : public QObject {
    Q_OBJECT
private slots:
    void engineInsideFolder_data();
    void engineInsideFolder();
    void fileOutsideFolder_data();
    void fileOutsideFolder();
    void cancelled();
    void protocolFoundOutAndRemembered_data();
    void protocolFoundOutAndRemembered();
    void windowsGoOnWhileEngineIsAsked();
    void silentUciEngineReported();
    void silentStartRemembered_data();
    void silentStartRemembered();
    void stockfishAtRememberedStrength_data();
    void stockfishAtRememberedStrength();
};

void AddEngineTest::engineInsideFolder_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("title");
    QTest::newRow("link in Engines") << "Engines/scripted"
                                     << "scripted";
    QTest::newRow("extension left out") << "Engines/stand-in.v2.exe"
                                        << "stand-in.v2";
    QTest::newRow("folder below") << "Engines/deeper/scripted"
                                  << "scripted";
}

void AddEngineTest::engineInsideFolder() {
    QFETCH(QString, file);
    QFETCH(QString, title);
    ScriptedEngine engine({});
    EngineMainForm main;
    // Remembered, so that nobody asks the engine which protocol it speaks.
    main.remember(QString(file).remove(QStringLiteral("Engines/")), QStringLiteral("xboard"));
    main.start();
    // A game file of the engine's name in the current folder is no part of the new game.
    QTemporaryDir current;
    const QString previous = QDir::currentPath();
    QDir::setCurrent(current.path());
    QFile game(title);
    QVERIFY(game.open(QIODevice::WriteOnly));
    game.write("e2e4\r\n");
    game.close();

    const QString chosen = main.linkEngine(file);
    QString startFolder;
    auto dialog = main.choose(chosen, &startFolder);
    BoxAnswerer colour({QMessageBox::Yes});
    main.addEngine();
    QDir::setCurrent(previous);

    QCOMPARE(startFolder, main.path("Engines"));
    QCOMPARE(colour.seen, QStringList{"Color Selection|Do you want to play white pieces?"});
    TMDIChild* window = main.form->ActiveGameWindow();
    QVERIFY(window);
    QCOMPARE(main.form->Workspace()->currentSubWindow()->windowTitle(), title);
    QVERIFY(window->EngineAttached());
    QCOMPARE(window->game().LivePosition(), 0);
    QVERIFY(!window->game().Model().finished);
    QTRY_COMPARE_WITH_TIMEOUT(engine.Received(), QByteArray("xboard\nnew\nst 1\n"), kWait);
    QVERIFY(main.startupLog->toPlainText().isEmpty());

    // The program's end ends the engine.
    const qint64 pid = window->EngineProcessId();
    main.form.reset();
    QVERIFY(!ProcessExists(pid));
}

void AddEngineTest::fileOutsideFolder_data() {
    QTest::addColumn<QString>("file");
    QTest::newRow("another folder") << "Elsewhere/scripted";
    QTest::newRow("out through ..") << "Engines/../Elsewhere/scripted";
}

void AddEngineTest::fileOutsideFolder() {
    QFETCH(QString, file);
    EngineMainForm main;
    main.start();
    main.linkEngine(QStringLiteral("Elsewhere/scripted"));
    const int windows = main.form->Workspace()->subWindowList().size();
    auto dialog = main.choose(main.path(file));
    BoxAnswerer colour({QMessageBox::Yes}); // would answer a wrongly started engine
    main.addEngine();
    QVERIFY(dialog->seen());
    QVERIFY(colour.seen.isEmpty());
    QCOMPARE(main.form->Workspace()->subWindowList().size(), windows);
    QCOMPARE(main.startupLog->toPlainText(), QString(kOutsideMessage).replace("\r", ""));
    // Once the start-up console is closed the message shows nowhere.
    QWidget* console = main.startupLog;
    while (console && !qobject_cast<QMdiSubWindow*>(console))
        console = console->parentWidget();
    QVERIFY(console);
    console->close();
    QTest::qWait(50);
    auto again = main.choose(main.path(file));
    main.addEngine();
    QVERIFY(again->seen());
    QCOMPARE(main.form->Workspace()->subWindowList().size(), windows - 1);
}

void AddEngineTest::cancelled() {
    EngineMainForm main;
    main.start();
    const int windows = main.form->Workspace()->subWindowList().size();
    auto dialog = main.choose(QString());
    main.addEngine();
    QVERIFY(dialog->seen());
    QCOMPARE(main.form->Workspace()->subWindowList().size(), windows);
    QVERIFY(main.startupLog->toPlainText().isEmpty());
}

void AddEngineTest::protocolFoundOutAndRemembered_data() {
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("protocol");
    // The same script answers the question when it is asked, and then plays the game,
    // answering e2e4 with e7e5.
    QTest::newRow("UCI") << QStringList{"await uci\\n",
                                        "say id name Stand-in\\nuciok\\n",
                                        "await isready\\n",
                                        "say readyok\\n",
                                        "await go movetime 1000\\n",
                                        "say info depth 1 score cp 5 wdl 1 2 3 pv e7e5\\n",
                                        "say bestmove e7e5\\n"}
                         << "uci";
    QTest::newRow("xboard, turning down uci")
        << QStringList{"say Error (unknown command): uci\\n", "await e2e4\\n", "say move e7e5\\n"}
        << "xboard";
}

void AddEngineTest::protocolFoundOutAndRemembered() {
    QFETCH(QStringList, script);
    QFETCH(QString, protocol);
    ScriptedEngine engine(script);
    EngineMainForm main;
    main.start();
    auto dialog = main.choose(main.linkEngine(QStringLiteral("Engines/found")));
    BoxAnswerer colour({QMessageBox::Yes});
    main.addEngine();
    QTRY_COMPARE_WITH_TIMEOUT(main.remembered(QStringLiteral("found")), protocol, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(main.form->ActiveGameWindow(), kWait);
    TMDIChild* window = main.form->ActiveGameWindow();
    QVERIFY(window->EngineAttached());
    QVERIFY(DragAndDrop(*window, "e2", "e4"));
    QTRY_COMPARE_WITH_TIMEOUT(window->game().LivePosition(), 2, kWait);
    QCOMPARE(window->game().Model().moveRecord.back(), std::string("e7e5"));
    QVERIFY(main.startupLog->toPlainText().isEmpty());
}

void AddEngineTest::windowsGoOnWhileEngineIsAsked() {
    // Not remembered, and it never answers: the question waits out its whole time.
    ScriptedEngine engine({"sleep 60000"});
    EngineMainForm main;
    main.start();
    const int windows = main.form->Workspace()->subWindowList().size();
    auto dialog = main.choose(main.linkEngine(QStringLiteral("Engines/silent")));
    BoxAnswerer colour({QMessageBox::Yes});
    main.addEngine();
    QVERIFY(dialog->seen());
    // A timer set now fires while the engine is still being asked: the event loop runs.
    bool ticked = false;
    bool askingAtTick = false;
    QTimer::singleShot(0, main.form.get(), [&] {
        ticked = true;
        askingAtTick = main.remembered(QStringLiteral("silent")).isEmpty() &&
                       main.form->Workspace()->subWindowList().size() == windows &&
                       QApplication::overrideCursor() &&
                       QApplication::overrideCursor()->shape() == Qt::WaitCursor;
    });
    QTRY_VERIFY_WITH_TIMEOUT(ticked, kWait);
    QVERIFY(askingAtTick);
    // Then the silence counts as the program's own dialogue, and the game window follows.
    QTRY_COMPARE_WITH_TIMEOUT(main.remembered(QStringLiteral("silent")), QStringLiteral("xboard"),
                              kWait);
    QCOMPARE(main.remembered(QStringLiteral("silent/start")), QStringLiteral("silent"));
    QTRY_COMPARE_WITH_TIMEOUT(main.form->Workspace()->subWindowList().size(), windows + 1, kWait);
    QTRY_VERIFY_WITH_TIMEOUT(colour.seen.size() == 1, kWait);
    TMDIChild* window = main.form->ActiveGameWindow();
    QVERIFY(window && window->EngineAttached());
    QCOMPARE(main.form->Workspace()->currentSubWindow()->windowTitle(), QStringLiteral("silent"));
    QVERIFY(!QApplication::overrideCursor());
}

void AddEngineTest::silentUciEngineReported() {
    // Remembered as UCI, but it never finishes its greeting.
    ScriptedEngine engine({"sleep 60000"});
    EngineMainForm main;
    main.remember(QStringLiteral("mute"), QStringLiteral("uci"));
    main.start();
    auto dialog = main.choose(main.linkEngine(QStringLiteral("Engines/mute")));
    BoxAnswerer colour({QMessageBox::Yes});
    main.addEngine();
    TMDIChild* window = main.form->ActiveGameWindow();
    QVERIFY(window);
    const qint64 pid = window->EngineProcessId();
    QTRY_VERIFY_WITH_TIMEOUT(!window->EngineAttached(), UciEngine::kHandshakeMs + kWait);
    QVERIFY(main.startupLog->toPlainText().contains(QStringLiteral("uciok")));
    QTRY_VERIFY_WITH_TIMEOUT(!ProcessExists(pid), kWait);
    // An ordinary game window now: the user moves both sides.
    QVERIFY(DragAndDrop(*window, "e2", "e4"));
    QVERIFY(DragAndDrop(*window, "e7", "e5"));
    QCOMPARE(window->game().LivePosition(), 2);
}

void AddEngineTest::silentStartRemembered_data() {
    QTest::addColumn<QStringList>("script");
    QTest::addColumn<QString>("remembered"); // protocol, or nothing to find it out
    QTest::addColumn<QString>("start");      // the start key found or kept
    QTest::addColumn<bool>("nudged");
    // Nothing at all until a few more lines than the dialogue sends have been read, as
    // GNU Chess under "--xboard": found silent, and seen through its start.
    const QStringList late{"await \\n\\n\\n", "say feature myname=\"Late\" done=1\\n",
                           "await e2e4\\n", "say move e7e5\\n"};
    QTest::newRow("silent") << late << QString() << "silent" << true;
    // An engine with a banner, or one a user added before silence was noticed, keeps the
    // plain dialogue.
    QTest::newRow("banner") << QStringList{"say Stand-in 1.0\\n", "await e2e4\\n",
                                           "say move e7e5\\n"}
                            << QString() << QString() << false;
    QTest::newRow("remembered before")
        << QStringList{"await e2e4\\n", "say move e7e5\\n"} << "xboard" << QString() << false;
}

void AddEngineTest::silentStartRemembered() {
    QFETCH(QStringList, script);
    QFETCH(QString, remembered);
    QFETCH(QString, start);
    QFETCH(bool, nudged);
    ScriptedEngine engine(script);
    EngineMainForm main;
    if (!remembered.isEmpty())
        main.remember(QStringLiteral("late"), remembered);
    main.start();
    auto dialog = main.choose(main.linkEngine(QStringLiteral("Engines/late")));
    BoxAnswerer colour({QMessageBox::Yes});
    main.addEngine();
    QTRY_COMPARE_WITH_TIMEOUT(main.remembered(QStringLiteral("late")), QStringLiteral("xboard"),
                              kWait);
    QCOMPARE(main.remembered(QStringLiteral("late/start")), start);
    QTRY_VERIFY_WITH_TIMEOUT(main.form->ActiveGameWindow(), kWait);
    TMDIChild* window = main.form->ActiveGameWindow();
    QVERIFY(window->EngineAttached());
    // The stand-in reads its input in one stream: the move after its answer, as a person
    // would make it once the engine is ready.
    if (nudged)
        QTRY_VERIFY_WITH_TIMEOUT(engine.Received().contains("accepted done\n"), kWait);
    QVERIFY(DragAndDrop(*window, "e2", "e4"));
    QTRY_COMPARE_WITH_TIMEOUT(window->game().LivePosition(), 2, kWait);
    QCOMPARE(window->game().Model().moveRecord.back(), std::string("e7e5"));
    QCOMPARE(engine.Received().contains("\n\n"), nudged);
    QVERIFY(main.startupLog->toPlainText().isEmpty());
}

void AddEngineTest::stockfishAtRememberedStrength_data() {
    QTest::addColumn<QString>("level");
    QTest::addColumn<QStringList>("received"); // "min" and "max" stand for UCI_Elo's own range
    QTest::newRow("Beginner") << "Beginner"
                              << QStringList{"setoption name UCI_LimitStrength value true",
                                             "setoption name UCI_Elo value min"};
    QTest::newRow("Club") << "Club"
                          << QStringList{"setoption name UCI_LimitStrength value true",
                                         "setoption name UCI_Elo value (min+max)/2"};
    QTest::newRow("Full") << "Full" << QStringList{};
}

void AddEngineTest::stockfishAtRememberedStrength() {
    QFETCH(QString, level);
    QFETCH(QStringList, received);
    const QString stockfish = QStringLiteral("/usr/games/stockfish");
    if (!QFile::exists(stockfish))
        QSKIP("Stockfish is not installed");
    EngineMainForm main;
    main.remember(QStringLiteral("stockfish"), QStringLiteral("uci"));
    main.remember(QStringLiteral("stockfish"), level, QStringLiteral("Strength"));
    main.start();
    // Stockfish itself, told by this test alone to keep its own log of every line it reads.
    const QString log = main.path(QStringLiteral("stockfish.log"));
    QFile wrapper(main.path(QStringLiteral("Engines/stockfish")));
    QVERIFY(wrapper.open(QIODevice::WriteOnly));
    wrapper.write(("#!/bin/sh\n{ echo 'setoption name Debug Log File value " + log +
                   "'; exec cat; } | exec " + stockfish + "\n")
                      .toUtf8());
    wrapper.close();
    wrapper.setPermissions(wrapper.permissions() | QFileDevice::ExeOwner);
    auto dialog = main.choose(wrapper.fileName());
    BoxAnswerer colour({QMessageBox::Yes});
    main.addEngine();
    TMDIChild* window = main.form->ActiveGameWindow();
    QVERIFY(window && window->EngineAttached());
    const QString shown =
        level == QLatin1String("Full") ? QStringLiteral("Black") : "Black (" + level + ")";
    QTRY_COMPARE_WITH_TIMEOUT(window->findChild<QLabel*>(QStringLiteral("Black"))->text(), shown,
                              kWait);
    QVERIFY(DragAndDrop(*window, "e2", "e4"));
    QTRY_COMPARE_WITH_TIMEOUT(window->game().LivePosition(), 2, kWait);
    // The engine's range for UCI_Elo, as it lists it itself.
    QProcess ask;
    ask.start(stockfish, {});
    ask.write("uci\nquit\n");
    QVERIFY(ask.waitForFinished(kWait));
    const QRegularExpression range(
        "option name UCI_Elo type spin default \\d+ min (\\d+) max (\\d+)");
    const QRegularExpressionMatch match = range.match(QString::fromLatin1(ask.readAll()));
    QVERIFY(match.hasMatch());
    const int min = match.captured(1).toInt();
    const int max = match.captured(2).toInt();
    // What Stockfish read, in its own log's form (">> " before each line it received), up to
    // the search that gave the reply.
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QStringList heard;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (line.startsWith(">> "))
            heard.append(QString::fromLatin1(line.mid(3).trimmed()));
    }
    const auto goAt = std::find_if(heard.cbegin(), heard.cend(),
                                   [](const QString& line) { return line.startsWith("go "); });
    const qsizetype go = goAt - heard.cbegin();
    QVERIFY2(go > 0 && go < heard.size(), qPrintable(heard.join(" | ")));
    QStringList options;
    for (const QString& line : heard.first(go)) {
        if (line.startsWith(QLatin1String("setoption ")))
            options.append(line);
    }
    received.replaceInStrings(QStringLiteral("(min+max)/2"), QString::number((min + max) / 2));
    received.replaceInStrings(QStringLiteral("value min"), "value " + QString::number(min));
    QCOMPARE(options, received);
    // Before the search that they are for, after the new game.
    if (!received.isEmpty()) {
        QVERIFY(heard.indexOf(received.back()) < heard.lastIndexOf(QStringLiteral("isready"), go));
        QVERIFY(heard.indexOf(QStringLiteral("ucinewgame")) < heard.indexOf(received.front()));
    }
}

QObject* MakeAddEngineTest() {
    return new AddEngineTest;
}

#include "AddEngineTest.moc"
