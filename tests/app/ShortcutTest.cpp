#include "MainFormFixture.h"

#include <QAction>
#include <QFileDialog>
#include <QMap>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

// The keys of the menus and the tool bar: each is held by one action only (Qt fires
// neither of two that share a key), and pressing it reaches its command.
class ShortcutTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MainFormFixture> m_fixture;
    TMainForm& form() { return *m_fixture->form; }

    // Where Qt looks for the action's key: the widget it sits on, or the placement of the
    // menu it sits in (a child window's system menu, opened from nowhere, has none). Null
    // when nowhere.
    static const QWidget* placement(const QAction* action, int depth = 0) {
        for (const QObject* object : action->associatedObjects()) {
            if (const auto* menu = qobject_cast<const QMenu*>(object)) {
                if (const QWidget* widget =
                        depth < 8 ? placement(menu->menuAction(), depth + 1) : nullptr)
                    return widget;
            } else if (object->isWidgetType()) {
                return static_cast<const QWidget*>(object);
            }
        }
        return nullptr;
    }
    // Qt takes a child window for a window of its own: its window-wide keys count only while
    // it is the active child. Null for the main window's own keys.
    static const QWidget* scope(const QWidget* placed) {
        for (const QWidget* w = placed; w; w = w->parentWidget()) {
            if (qobject_cast<const QMdiSubWindow*>(w))
                return w;
        }
        return nullptr;
    }
    struct Holder {
        QString name;
        const QWidget* scope;
    };
    // Every key that some action would answer in the window, with the actions that hold it.
    QMap<QString, QList<Holder>> liveKeys() {
        QMap<QString, QList<Holder>> keys;
        for (const QAction* action : form().findChildren<QAction*>()) {
            // Keys of a widget and its children belong to the focused one only; the
            // window-wide ones are those that can collide.
            const QWidget* placed = placement(action);
            if ((action->shortcutContext() != Qt::WindowShortcut &&
                 action->shortcutContext() != Qt::ApplicationShortcut) ||
                !placed)
                continue;
            for (const QKeySequence& key : action->shortcuts())
                keys[key.toString()]
                    << Holder{action->objectName() + '/' + action->text(), scope(placed)};
        }
        return keys;
    }
    // Two holders of one key collide when both can be live at once: both are the main
    // window's, one is, or both belong to the same child window.
    static QString collision(const QList<Holder>& holders) {
        for (int i = 0; i < holders.size(); ++i) {
            for (int j = i + 1; j < holders.size(); ++j) {
                const Holder& a = holders[i];
                const Holder& b = holders[j];
                if (!a.scope || !b.scope || a.scope == b.scope)
                    return a.name + " and " + b.name;
            }
        }
        return {};
    }

    // Presses Ctrl with `key` in the main window.
    void press(Qt::Key key) {
        // Short cuts reach the active window only; a dialog just closed may still hold it.
        form().activateWindow();
        if (!QTest::qWaitFor([this] { return QApplication::activeWindow() == &form(); }))
            QFAIL("the main window is not active");
        QTest::keyClick(&form(), key, Qt::ControlModifier);
    }
    // Presses Ctrl with `key` and returns the object name of the modal dialog that opened
    // ("" for none), after cancelling it.
    QString dialogOpenedBy(Qt::Key key) {
        QString name;
        NextModal dialog([&name](QWidget* modal) {
            name = modal->objectName();
            qobject_cast<QDialog*>(modal)->reject();
        });
        press(key);
        return name;
    }

private slots:
    void init() { m_fixture = std::make_unique<MainFormFixture>(); }
    void cleanup() { m_fixture.reset(); }

    void noTwoActionsShareAKey() {
        m_fixture->start();
        form().FileNew1Execute();
        const QMap<QString, QList<Holder>> keys = liveKeys();
        for (auto it = keys.begin(); it != keys.end(); ++it) {
            const QString both = collision(it.value());
            QVERIFY2(both.isEmpty(), qPrintable(it.key() + " is held by " + both));
        }
        // The keys the main menu shows are all live, each through its one action.
        int shown = 0;
        QList<QAction*> items = form().menuBar()->actions();
        while (!items.isEmpty()) {
            const QAction* item = items.takeFirst();
            if (item->menu())
                items += item->menu()->actions();
            if (item->shortcut().isEmpty())
                continue;
            ++shown;
            QVERIFY2(keys.contains(item->shortcut().toString()),
                     qPrintable(item->text() + " shows a key nothing answers"));
        }
        QCOMPARE(shown, 6); // New, Open, Save, Cut, Copy, Paste
        for (const char* key : {"Ctrl+N", "Ctrl+O", "Ctrl+S", "Ctrl+X", "Ctrl+C", "Ctrl+V"})
            QVERIFY2(keys.contains(QString::fromLatin1(key)), key);
    }

    void keysReachTheirCommands() {
        m_fixture->start();
        const int before = form().Workspace()->subWindowList().size();
        press(Qt::Key_N);
        QCOMPARE(form().Workspace()->subWindowList().size(), before + 1);
        QCOMPARE(dialogOpenedBy(Qt::Key_O), QStringLiteral("OpenDialog"));
        // Save on an untitled game asks for a name; with no moves there is nothing to save.
        QCOMPARE(dialogOpenedBy(Qt::Key_S), QString());
        QVERIFY(form().ActiveGameWindow()->game().MakeMove("e2", "e4"));
        QCOMPARE(dialogOpenedBy(Qt::Key_S), QStringLiteral("SaveDialog1"));

        // With the tool bar, where the buttons of these actions sit, hidden, the keys stay.
        form().Toolbar1Click();
        QCOMPARE(dialogOpenedBy(Qt::Key_O), QStringLiteral("OpenDialog"));
        QCOMPARE(dialogOpenedBy(Qt::Key_S), QStringLiteral("SaveDialog1"));
        press(Qt::Key_N);
        QCOMPARE(form().Workspace()->subWindowList().size(), before + 2);
    }
};

QTEST_MAIN(ShortcutTest)
#include "ShortcutTest.moc"
