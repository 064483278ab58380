// Tools > Add Engine... in a main window: the dialog, the folder test, the window named
// after the engine, and the console line for a file from elsewhere.
#include "ScriptedEngine.h"
#include "WindowSupport.h"

#include "peer/Unit2.h"
#include "tests/app/MainFormFixture.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QPlainTextEdit>

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

QObject* MakeAddEngineTest() {
    return new AddEngineTest;
}

#include "AddEngineTest.moc"
