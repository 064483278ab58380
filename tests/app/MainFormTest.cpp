#include "MainFormFixture.h"
#include "ReadOnlyFolder.h"
#include "peer/PeerLink.h"

#include "app/OptionsMenu.h"
#include "app/TAboutBox.h"
#include "app/ToolBarIcons.h"

#include <QAction>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QStatusBar>
#include <QStyle>
#include <QTcpSocket>
#include <QTest>
#include <QToolBar>

// The main window's menus, tool bar, new games, layout, Options and View commands.
namespace {

// A style that draws its tool bar buttons at 48 pixels.
class LargeToolBarStyle : public QProxyStyle {
public:
    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        return metric == PM_ToolBarIconSize ? 48 : QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

class MainFormTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainFormFixture> m_fixture;
    TMainForm& form() { return *m_fixture->form; }

    QAction* action(const QString& name) {
        auto* found = form().findChild<QAction*>(name);
        if (!found)
            qFatal("no action %s", qPrintable(name));
        return found;
    }
    static QStringList captions(const QMenu* menu) {
        QStringList list;
        for (const QAction* a : menu->actions())
            list << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return list;
    }
    QByteArray settingsText() {
        QFile file(m_fixture->path(QStringLiteral("Settings.ini")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }

private slots:
    void init() { m_fixture = std::make_unique<MainFormFixture>(); }
    void cleanup() { m_fixture.reset(); }

    void startsWithTitleAndThreeChildren() {
        m_fixture->start();
        QCOMPARE(form().windowTitle(), QStringLiteral("Rookvale 1.0"));
        QCOMPARE(childTitles(form()), (QStringList{"Main Console", "Connection", "Game Board"}));
        const QList<QMdiSubWindow*> windows = form().Workspace()->subWindowList();
        QCOMPARE(windows[1]->geometry(), QRect(744, 1, 280, 116));
        QCOMPARE(windows[2]->geometry(), QRect(744, 118, 280, 524));
        // The frame shows the whole game window, whatever the style's frame sizes.
        QCOMPARE(windows[0]->widget()->size(), QSize(734, 607));
        QVERIFY(windows[0]->contentsRect().contains(windows[0]->widget()->geometry()));
        QCOMPARE(windows[0]->size(), windows[0]->sizeHint());
        QVERIFY(windows[0]->x() >= 1 && windows[0]->y() >= 1);
        QVERIFY(form().statusBar()->isVisible());
        QVERIFY(!form().Image1().isNull());
        QCOMPARE(form().Image1().size(), QSize(128, 128));
        QCOMPARE(form().Workspace()->background().texture().size(), QSize(128, 128));
    }

    void actionsHaveCaptionsShortcutsAndHints_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("shortcut");
        QTest::addColumn<QString>("toolTip");
        QTest::addColumn<QString>("statusTip");
        const auto row = [](const char* n, const char* c, const char* s, const char* t,
                            const char* st) { QTest::newRow(n) << n << c << s << t << st; };
        row("FileNew1", "&New Game", "Ctrl+N", "New Game Board", "Create a blank game board");
        row("FileOpen1", "&Open", "Ctrl+O", "Open", "Open a file");
        row("FileClose1", "&Close", "", "Close", "Close current file");
        row("FileSave1", "&Save", "Ctrl+S", "Save", "Save current file");
        row("FileSaveAs1", "Save &As...", "", "Save As", "Save current file with different name");
        row("FileExit1", "E&xit", "", "Exit", "Exit application");
        row("EditCut1", "Cu&t", "Ctrl+X", "Cut", "Cuts the selection and puts it on the Clipboard");
        row("EditCopy1", "&Copy", "Ctrl+C", "Copy",
            "Copies the selection and puts it on the Clipboard");
        row("EditPaste1", "&Paste", "Ctrl+V", "Paste", "Inserts Clipboard contents");
        row("HelpAbout1", "&About...", "", "About",
            "Displays program information, version number, and copyright");
    }
    void actionsHaveCaptionsShortcutsAndHints() {
        QFETCH(QString, name);
        QFETCH(QString, caption);
        QFETCH(QString, shortcut);
        QFETCH(QString, toolTip);
        QFETCH(QString, statusTip);
        m_fixture->start();
        QAction* a = action(name);
        QCOMPARE(a->text(), caption);
        QCOMPARE(a->shortcut(), QKeySequence(shortcut));
        QCOMPARE(a->toolTip(), toolTip);
        QCOMPARE(a->statusTip(), statusTip);
    }

    void menusInOrder() {
        m_fixture->start();
        QStringList bar;
        for (const QAction* a : form().menuBar()->actions())
            bar << a->text();
        QCOMPARE(bar, (QStringList{"&File", "&Edit", "&View", "&Options", "&Tools", "&Window",
                                   "&Help"}));
        const auto menu = [this](const char* name) {
            return form().findChild<QMenu*>(QString::fromLatin1(name));
        };
        QCOMPARE(captions(menu("File1")),
                 (QStringList{"&New Game", "&Open Game...", "&Close", "&Save Game",
                              "Save Game &As...", "New from &Position...", "-", "E&xit"}));
        QCOMPARE(captions(menu("Edit1")), (QStringList{"Cu&t", "&Copy", "&Paste", "-", "Copy &FEN",
                                                       "Paste FEN / P&GN", "Copy P&GN"}));
        QCOMPARE(captions(menu("View1")), (QStringList{"&Toolbar", "&Status Bar", "-",
                                                       "Opponents Seeking Games", "Main Console"}));
        QCOMPARE(captions(menu("Options1")),
                 (QStringList{"Pieces", "Board", "-", "&Play Sounds", "&Legal Targets", "-",
                              "Player &Name...", "Game &Terms..."}));
        QCOMPARE(captions(menu("Pieces1")),
                 (QStringList{"Modern 1", "Modern 2", "Classic", "Sharp"}));
        QCOMPARE(captions(menu("Board1")), (QStringList{"Sky Blue", "Best Green"}));
        QCOMPARE(captions(menu("Tools1")), QStringList{"&Add Engine..."});
        QCOMPARE(captions(menu("Help1")), (QStringList{"&Help Topics", "-", "&About..."}));
        QCOMPARE(menu("File1")->menuAction()->statusTip(), QStringLiteral("File related commands"));
        QCOMPARE(menu("Edit1")->menuAction()->statusTip(), QStringLiteral("Edit commands"));
        QCOMPARE(menu("Window1")->menuAction()->statusTip(),
                 QStringLiteral("Window related commands"));
        QCOMPARE(menu("Help1")->menuAction()->statusTip(), QStringLiteral("Help topics"));
        // Menu items carry the short cuts and hints of their actions.
        const QAction* saveItem = menu("File1")->actions()[3];
        QCOMPARE(saveItem->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
        QCOMPARE(saveItem->statusTip(), QStringLiteral("Save current file"));
    }

    void windowMenuListsChildren() {
        m_fixture->start();
        QMenu* menu = form().findChild<QMenu*>(QStringLiteral("Window1"));
        QMetaObject::invokeMethod(menu, "aboutToShow");
        QCOMPARE(captions(menu), (QStringList{"&Default Layout", "-", "&1 Game Board",
                                              "&2 Connection", "&3 Main Console"}));
        menu->actions()[2]->trigger();
        QCOMPARE(form().Workspace()->currentSubWindow()->windowTitle(),
                 QStringLiteral("Game Board"));
    }

    void windowMenuEntryOfAClosedChild() {
        m_fixture->start();
        QMenu* menu = form().findChild<QMenu*>(QStringLiteral("Window1"));
        QMetaObject::invokeMethod(menu, "aboutToShow");
        QAction* connection = menu->actions()[3];
        QCOMPARE(connection->text(), QStringLiteral("&2 Connection"));
        // The child goes while the menu is open, as a peer's line or an engine may make it.
        QMdiSubWindow* current = form().Workspace()->currentSubWindow();
        QPointer<QMdiSubWindow> closed;
        for (QMdiSubWindow* window : form().Workspace()->subWindowList()) {
            if (window->windowTitle() == QStringLiteral("Connection"))
                closed = window;
        }
        QVERIFY(closed);
        closed->close();
        QTRY_VERIFY(!closed); // freed, not only hidden
        connection->trigger();
        QCOMPARE(form().Workspace()->currentSubWindow(), current);
        QCOMPARE(childTitles(form()).count(QStringLiteral("Connection")), 0);
    }

    void toolBarButtons() {
        m_fixture->start();
        auto* bar = form().findChild<QToolBar*>(QStringLiteral("ToolBar2"));
        QStringList names;
        for (const QAction* a : bar->actions())
            names << (a->isSeparator() ? QStringLiteral("-") : a->objectName());
        QCOMPARE(names, (QStringList{"FileNew1", "FileOpen1", "FileSave1", "-", "EditCut1",
                                     "EditCopy1", "EditPaste1"}));
        QWidget* save = bar->widgetForAction(action(QStringLiteral("FileSave1")));
        QCOMPARE(save->toolTip(), QStringLiteral("Save"));
        QCOMPARE(save->statusTip(), QStringLiteral("Save current game"));
        // Taken without the style's theme search, the pictures are still the style's own at
        // every size the buttons and menus draw them; a style whose tool bar draws larger
        // gets the large picture too.
        if (!QIcon::hasThemeIcon(QStringLiteral("document-new"))) {
            const std::pair<const char*, QStyle::StandardPixmap> pictures[] = {
                {"FileNew1", QStyle::SP_FileIcon},
                {"FileOpen1", QStyle::SP_DialogOpenButton},
                {"FileSave1", QStyle::SP_DialogSaveButton}};
            const int drawn = bar->iconSize().width();
            QVERIFY(drawn <= 32);
            LargeToolBarStyle large;
            for (const auto& [name, picture] : pictures) {
                const QIcon expected = form().style()->standardIcon(picture);
                for (const int size : {16, drawn, 32})
                    QCOMPARE(action(QString::fromLatin1(name))->icon().pixmap(size).toImage(),
                             expected.pixmap(size).toImage());
                QCOMPARE(toolBarIcon("", picture, false, large).pixmap(48).toImage(),
                         expected.pixmap(48).toImage());
            }
        }
    }

    void newGameTitles() {
        m_fixture->start();
        action(QStringLiteral("FileNew1"))->trigger();
        QCOMPARE(childTitles(form()).front(), QStringLiteral("Game Board"));
        // Linked: a peer that connects gets a window of its own, New Game one more.
        qputenv("ROOKVALE_PEER_PORT", "19871");
        QString error;
        QVERIFY2(form().Link().Listen(error), qPrintable(error));
        QTcpSocket peer;
        peer.connectToHost(QStringLiteral("127.0.0.1"), 19871);
        QTRY_COMPARE(form().Link().ConnectionCount(), 1);
        QTest::keyClick(&form(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(childTitles(form()).front(), QStringLiteral("Active Game"));
        QByteArray received;
        // A new copy greets first ("/rv hello ..."), which an old peer drops.
        QTRY_VERIFY((received += peer.readAll()).endsWith("/new\r\n"));
        QVERIFY(received.startsWith("/rv hello "));
        QCOMPARE(received.count("\r\n"), 2);
        QCOMPARE(form().GameWindows().size(), size_t(4));
        QCOMPARE(form().ActiveGameWindow()->windowTitle(), QStringLiteral("Active Game"));
    }

    void defaultLayout() {
        m_fixture->start();
        form().MakeGameWindow(QStringLiteral("Second"));
        QList<QMdiSubWindow*> windows = form().Workspace()->subWindowList();
        windows[0]->setGeometry(-50, -20, 300, 200);
        windows[1]->setGeometry(10, 10, 50, 50);
        windows[2]->setGeometry(0, 300, 400, 100);
        windows[3]->setGeometry(30, 40, 400, 500);
        action(QStringLiteral("DefaultLayout1"))->trigger();
        const QSize gameWindow = windows[0]->sizeHint();
        QCOMPARE(windows[0]->geometry(), QRect(QPoint(1, 1), gameWindow));
        QCOMPARE(windows[1]->geometry(), QRect(744, 1, 280, 116));
        QCOMPARE(windows[2]->geometry(), QRect(744, 118, 280, 524));
        QCOMPARE(windows[3]->geometry(), QRect(QPoint(30, 40), gameWindow));
    }

    void settingsAreReadAtStart() {
        QFile file(m_fixture->path(QStringLiteral("Settings.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Options]\r\nPieces=4\r\nBoard=1\r\nSound=0\r\n");
        file.close();
        m_fixture->start();
        QVERIFY(action(QStringLiteral("Sharp1"))->isChecked());
        QVERIFY(!action(QStringLiteral("Modern21"))->isChecked());
        QVERIFY(action(QStringLiteral("SkyBlue1"))->isChecked());
        QVERIFY(!action(QStringLiteral("PlaySounds1"))->isChecked());
        QCOMPARE(BoardSettings::Current().PieceSet(), QStringLiteral("Sharp"));
        QCOMPARE(BoardSettings::Current().BoardColours(), QStringLiteral("Sky Blue"));
        // Sounds off: the player is never opened.
        BoardSettings::Current().PlaySound(QStringLiteral("Audio/move.wav"));
        QVERIFY(form().Options()->soundPlayer().effect() == nullptr);
    }

    void noFileGivesDefaultsAndWritesNothing() {
        m_fixture->start();
        QVERIFY(action(QStringLiteral("Modern21"))->isChecked());
        QVERIFY(action(QStringLiteral("BestGreen1"))->isChecked());
        QVERIFY(action(QStringLiteral("PlaySounds1"))->isChecked());
        QVERIFY(!QFile::exists(m_fixture->path(QStringLiteral("Settings.ini"))));
    }

    void choicesApplyToEveryWindowAndAreWritten() {
        m_fixture->start();
        form().MakeGameWindow(QStringLiteral("Two"));
        form().MakeGameWindow(QStringLiteral("Three"));
        std::vector<QVector<QImage>> before;
        for (TMDIChild* window : form().GameWindows())
            before.push_back(window->PieceSheetCells());
        action(QStringLiteral("Classic1"))->trigger();
        QVERIFY(action(QStringLiteral("Classic1"))->isChecked());
        QVERIFY(!action(QStringLiteral("Modern21"))->isChecked());
        const std::vector<TMDIChild*> windows = form().GameWindows();
        QCOMPARE(windows.size(), size_t(3));
        for (size_t i = 0; i < windows.size(); ++i)
            QVERIFY2(windows[i]->PieceSheetCells() != before[i], "window not redrawn");
        QCOMPARE(settingsText(), QByteArray("[Options]\r\nPieces=3\r\n"));
        action(QStringLiteral("SkyBlue1"))->trigger();
        action(QStringLiteral("PlaySounds1"))->trigger();
        // Choosing the checked item again still rewrites its key.
        action(QStringLiteral("Classic1"))->trigger();
        QVERIFY(action(QStringLiteral("Classic1"))->isChecked());
        QVERIFY(!action(QStringLiteral("PlaySounds1"))->isChecked());
        QCOMPARE(settingsText(), QByteArray("[Options]\r\nPieces=3\r\nBoard=1\r\nSound=0\r\n"));
        action(QStringLiteral("PlaySounds1"))->trigger();
        action(QStringLiteral("BestGreen1"))->trigger();
        QCOMPARE(settingsText(), QByteArray("[Options]\r\nPieces=3\r\nBoard=2\r\nSound=1\r\n"));
    }

    void legalTargetsKeyIsAddedAfterTheOldOnes() {
        QFile file(m_fixture->path(QStringLiteral("Settings.ini")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Options]\r\nPieces=4\r\nBoard=1\r\nSound=0\r\n");
        file.close();
        m_fixture->start();
        // A file without the key marks the targets; switching them off adds the key last.
        QVERIFY(action(QStringLiteral("LegalTargets1"))->isChecked());
        QVERIFY(BoardSettings::Current().ShowLegalTargets());
        action(QStringLiteral("LegalTargets1"))->trigger();
        QVERIFY(!BoardSettings::Current().ShowLegalTargets());
        QCOMPARE(settingsText(),
                 QByteArray("[Options]\r\nPieces=4\r\nBoard=1\r\nSound=0\r\nLegalTargets=0\r\n"));
        action(QStringLiteral("LegalTargets1"))->trigger();
        QCOMPARE(settingsText(),
                 QByteArray("[Options]\r\nPieces=4\r\nBoard=1\r\nSound=0\r\nLegalTargets=1\r\n"));
    }

    void unwritableSettingsShowAMessageAndStillApply() {
        m_fixture->start();
        QString message;
        {
            const ReadOnlyFolder readOnly(m_fixture->folder.path());
            NextModal modal(NextModal::recordMessage(message));
            action(QStringLiteral("Sharp1"))->trigger();
            QVERIFY(modal.seen());
        }
        QCOMPARE(message, QStringLiteral("Unable to write to ") +
                              m_fixture->path(QStringLiteral("Settings.ini")));
        QVERIFY(action(QStringLiteral("Sharp1"))->isChecked());
        QCOMPARE(BoardSettings::Current().PieceSet(), QStringLiteral("Sharp"));
        QVERIFY(!QFile::exists(m_fixture->path(QStringLiteral("Settings.ini"))));
    }

    void viewToggles() {
        m_fixture->start();
        QAction* toolbar = action(QStringLiteral("Toolbar1"));
        auto* bar = form().findChild<QToolBar*>(QStringLiteral("ToolBar2"));
        toolbar->trigger();
        QVERIFY(!toolbar->isChecked());
        QVERIFY(!bar->isVisible());
        toolbar->trigger();
        QVERIFY(toolbar->isChecked());
        QVERIFY(bar->isVisible());
        QAction* status = action(QStringLiteral("StatusBar1"));
        status->trigger();
        QVERIFY(!status->isChecked());
        QVERIFY(!form().statusBar()->isVisible());

        QAction* console = action(QStringLiteral("MainConsole1"));
        console->trigger();
        QVERIFY(!console->isChecked());
        QTRY_COMPARE(childTitles(form()).count(QStringLiteral("Main Console")), 0);
        console->trigger();
        console->trigger();
        console->trigger();
        QVERIFY(console->isChecked());
        QTRY_COMPARE(childTitles(form()).count(QStringLiteral("Main Console")), 1);
        // Closing the window itself takes the tick off.
        QAction* connection = action(QStringLiteral("OpponentSeekingGames1"));
        for (QMdiSubWindow* window : form().Workspace()->subWindowList()) {
            if (window->windowTitle() == QStringLiteral("Connection"))
                window->close();
        }
        QTRY_VERIFY(!connection->isChecked());
    }

    void editCommandsWorkOnTheFocusedField() {
        m_fixture->start();
        auto* field = form().GameWindows().front()->findChild<QLineEdit*>();
        QVERIFY(field);
        field->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), field);
        field->setText(QStringLiteral("good game"));
        field->selectAll();
        action(QStringLiteral("EditCopy1"))->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("good game"));
        field->setSelection(0, 5);
        action(QStringLiteral("EditCut1"))->trigger();
        QCOMPARE(field->text(), QStringLiteral("game"));
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("good "));
        field->setCursorPosition(4);
        action(QStringLiteral("EditPaste1"))->trigger();
        QCOMPARE(field->text(), QStringLiteral("gamegood "));
    }

    void closingClosesEveryChild() {
        m_fixture->start();
        form().MakeGameWindow(QStringLiteral("Two"));
        qputenv("ROOKVALE_PEER_PORT", "19872");
        QString error;
        QVERIFY2(form().Link().Listen(error), qPrintable(error));
        action(QStringLiteral("FileExit1"))->trigger();
        QVERIFY(!form().Link().ServerActive());
        QTRY_VERIFY(form().Workspace()->subWindowList().isEmpty());
        QVERIFY(!form().isVisible());
    }

    void aboutBox() {
        m_fixture->start();
        TAboutBox* about = form().AboutBox();
        QCOMPARE(about->windowTitle(), QStringLiteral("About"));
        QVERIFY(about->findChild<QLabel*>(QStringLiteral("ProductName"))->text() ==
                QStringLiteral("Rookvale"));
        QVERIFY(about->findChild<QLabel*>(QStringLiteral("Version"))->text().contains("1.0"));
        NextModal modal([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
        form().HelpAbout1Execute();
        QVERIFY(modal.seen());
        QVERIFY(!about->isVisible());
        QCOMPARE(form().HelpFile(), m_fixture->path(QStringLiteral("Help.html")));
    }
};

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
