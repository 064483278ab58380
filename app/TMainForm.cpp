#include "app/TMainForm.h"

#include "app/AssociationCheck.h"
#include "app/FileDrop.h"
#include "app/OptionsMenu.h"
#include "app/TAboutBox.h"
#include "app/ToolBarIcons.h"
#include "board/TMDIChild.h"
#include "engine/EngineCloser.h"
#include "peer/PeerLink.h"
#include "peer/PeerProtocol.h"
#include "peer/Unit1.h"
#include "peer/Unit2.h"

#include <QAction>
#include <QApplication>
#include <QBitmap>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <algorithm>

namespace {

const QString kTitle = QStringLiteral("Rookvale 1.0");

// The default layout, in pixels inside the workspace.
const QRect kConnectionWindowPlace(744, 1, 280, 116);
const QRect kMainConsolePlace(744, 118, 280, 524);

// A game window is as large as its frame needs to show the whole fixed-size game
// (742 x 641 with a frame of the classic size), and keeps its own place but never lies
// left of or above the workspace.
void placeGameWindow(QMdiSubWindow* window) {
    window->resize(window->sizeHint());
    window->move(std::max(window->x(), 1), std::max(window->y(), 1));
}

// The program's icon: the white knight of the default piece sheet, its background left out.
QIcon programIcon(const QString& folder) {
    const QImage sheet(QDir(folder).filePath(QStringLiteral("Images/modern2.bmp")));
    if (sheet.width() < 180 || sheet.height() < 60)
        return {};
    QPixmap knight = QPixmap::fromImage(sheet.copy(120, 0, 60, 60));
    const QColor background = sheet.pixelColor(120, 59);
    knight.setMask(knight.createMaskFromColor(background, Qt::MaskInColor));
    return QIcon(knight);
}

} // namespace

TMainForm::TMainForm(const QString& folder, TRegExtension& association, QWidget* parent)
    : QMainWindow(parent), m_folder(folder) {
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(kTitle);
    // The check may write the association and start the desktop's refresh: none of it is
    // needed for the first paint.
    QTimer::singleShot(0, this, [&association] {
        checkAssociation(association, QCoreApplication::applicationFilePath());
    });

    m_workspace = new QMdiArea(this);
    m_workspace->setObjectName(QStringLiteral("Workspace"));
    // The brush is anchored at the workspace's corner, so the tiles never scroll with the
    // children; a missing picture leaves the plain workspace colour.
    m_image1.load(QDir(m_folder).filePath(QStringLiteral("Images/background.bmp")));
    if (!m_image1.isNull())
        m_workspace->setBackground(QBrush(m_image1));
    setCentralWidget(m_workspace);
    setAcceptDrops(true);
    m_fileDrops = new FileDropFilter(*this);
    // The View menu alone shows and hides the bars, so that its ticks always match them.
    setContextMenuPolicy(Qt::NoContextMenu);

    m_options = new OptionsMenu(this, QDir(m_folder).filePath(QStringLiteral("Settings.ini")),
                                m_folder, [this] { return GameWindows(); });
    BoardSettings::Install(m_options);

    buildActions();
    buildMenus();
    buildToolBar();
    statusBar()->setObjectName(QStringLiteral("StatusBar"));
    attachPeerLink();
}

bool TMainForm::event(QEvent* event) {
    // The icon means reading and cutting a whole piece sheet, which the first paint does not
    // need: it follows the paint, as the advertisement page does.
    if (event->type() == QEvent::Paint && !m_iconAsked) {
        m_iconAsked = true;
        QTimer::singleShot(0, this, [this] {
            if (const QIcon icon = programIcon(m_folder); !icon.isNull())
                QApplication::setWindowIcon(icon);
        });
    }
    return QMainWindow::event(event);
}

TMainForm::~TMainForm() {
    // The game windows still alive read the settings until they are gone.
    delete m_workspace;
    BoardSettings::Install(nullptr);
    // The closed game windows have asked their engines to quit; the program ends only
    // once they are gone, after about a second at most however many there were.
    EngineCloser::FinishAll();
}

QAction* TMainForm::makeAction(const char* name, const QString& caption, const QString& hint,
                               const QKeySequence& shortcut, void (TMainForm::*handler)()) {
    auto* action = new QAction(caption, this);
    action->setObjectName(QString::fromLatin1(name));
    action->setShortcut(shortcut);
    // Held by the window itself, the short cut works while the tool bar is hidden too.
    addAction(action);
    // A hint is "short|long": the short part is the tool tip, the long one the status tip.
    if (!hint.isEmpty()) {
        action->setToolTip(hint.section('|', 0, 0));
        action->setStatusTip(hint.section('|', 1));
    }
    if (handler)
        connect(action, &QAction::triggered, this, handler);
    return action;
}

void TMainForm::buildActions() {
    using K = QKeySequence;
    makeAction("FileNew1", "&New Game", "New Game Board|Create a blank game board", K("Ctrl+N"),
               &TMainForm::FileNew1Execute);
    makeAction("FileOpen1", "&Open", "Open|Open a file", K("Ctrl+O"), &TMainForm::FileOpen1Execute);
    QAction* close = makeAction("FileClose1", "&Close", "Close|Close current file", K(), nullptr);
    connect(close, &QAction::triggered, m_workspace, &QMdiArea::closeActiveSubWindow);
    makeAction("FileSave1", "&Save", "Save|Save current file", K("Ctrl+S"),
               &TMainForm::FileSave1Execute);
    makeAction("FileSaveAs1", "Save &As...", "Save As|Save current file with different name", K(),
               &TMainForm::FileSaveAs1Execute);
    QAction* exit = makeAction("FileExit1", "E&xit", "Exit|Exit application", K(), nullptr);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    const struct {
        const char* name;
        const char* caption;
        const char* hint;
        const char* shortcut;
        const char* slot;
    } edits[] = {{"EditCut1", "Cu&t", "Cut|Cuts the selection and puts it on the Clipboard",
                  "Ctrl+X", "cut"},
                 {"EditCopy1", "&Copy", "Copy|Copies the selection and puts it on the Clipboard",
                  "Ctrl+C", "copy"},
                 {"EditPaste1", "&Paste", "Paste|Inserts Clipboard contents", "Ctrl+V", "paste"}};
    for (const auto& edit : edits) {
        QAction* action = makeAction(edit.name, QString::fromLatin1(edit.caption),
                                     QString::fromLatin1(edit.hint), K(edit.shortcut), nullptr);
        const char* slot = edit.slot;
        connect(action, &QAction::triggered, this, [this, slot] { forwardToFocusWidget(slot); });
    }
    makeAction("FileNewFromPosition1", "New from &Position...",
               "New from Position|Create a game board from a position given as FEN", K(),
               &TMainForm::FileNewFromPosition1Execute);
    makeAction("EditCopyFen1", "Copy &FEN",
               "Copy FEN|Puts the shown position on the Clipboard as FEN", K(),
               &TMainForm::EditCopyFen1Execute);
    makeAction("EditPasteFen1", "Paste FEN / P&GN",
               "Paste FEN / PGN|Opens a game board from a FEN or PGN game on the Clipboard", K(),
               &TMainForm::EditPasteFen1Execute);
    makeAction("EditCopyPgn1", "Copy P&GN", "Copy PGN|Puts the whole game on the Clipboard as PGN",
               K(), &TMainForm::EditCopyPgn1Execute);
    makeAction("HelpAbout1", "&About...",
               "About|Displays program information, version number, and copyright", K(),
               &TMainForm::HelpAbout1Execute);
}

void TMainForm::forwardToFocusWidget(const char* slot) {
    // Text fields (the chat line above all) carry cut, copy and paste slots of their own.
    if (QWidget* focus = QApplication::focusWidget())
        QMetaObject::invokeMethod(focus, slot);
}

void TMainForm::buildMenus() {
    const auto action = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
    };
    const auto menu = [this](const char* name, const QString& caption, const QString& hint) {
        QMenu* m = menuBar()->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        m->menuAction()->setToolTip(hint);
        m->menuAction()->setStatusTip(hint);
        return m;
    };
    // Menu items keep their own captions; they share the actions' hints and show their short
    // cuts. The key itself stays with the action alone: two window-wide holders of one key
    // would make Qt fire neither, so the item's copy is live only inside its open menu.
    const auto item = [](QMenu* m, QAction* source, const QString& caption) {
        QAction* entry = m->addAction(caption);
        entry->setObjectName(source->objectName() + QStringLiteral("Item"));
        entry->setShortcut(source->shortcut());
        entry->setShortcutContext(Qt::WidgetShortcut);
        entry->setToolTip(source->toolTip());
        entry->setStatusTip(source->statusTip());
        connect(entry, &QAction::triggered, source, &QAction::trigger);
        return entry;
    };

    QMenu* file = menu("File1", "&File", "File related commands");
    file->addAction(action("FileNew1"));
    item(file, action("FileOpen1"), "&Open Game...");
    file->addAction(action("FileClose1"));
    item(file, action("FileSave1"), "&Save Game");
    item(file, action("FileSaveAs1"), "Save Game &As...");
    // Added after the seed's items, so that theirs keep their places.
    file->addAction(action("FileNewFromPosition1"));
    file->addSeparator();
    file->addAction(action("FileExit1"));

    QMenu* edit = menu("Edit1", "&Edit", "Edit commands");
    edit->addActions({action("EditCut1"), action("EditCopy1"), action("EditPaste1")});
    edit->addSeparator();
    edit->addActions({action("EditCopyFen1"), action("EditPasteFen1"), action("EditCopyPgn1")});

    QMenu* view = menu("View1", "&View", QString());
    const auto toggle = [this, view](const char* name, const QString& caption,
                                     void (TMainForm::*handler)()) {
        QAction* t = view->addAction(caption);
        t->setObjectName(QString::fromLatin1(name));
        t->setCheckable(true);
        t->setChecked(true);
        // The handlers invert the tick themselves.
        connect(t, &QAction::triggered, this, [this, t, handler] {
            t->setChecked(!t->isChecked());
            (this->*handler)();
        });
        return t;
    };
    m_toolbarItem = toggle("Toolbar1", "&Toolbar", &TMainForm::Toolbar1Click);
    m_statusBarItem = toggle("StatusBar1", "&Status Bar", &TMainForm::StatusBar1Click);
    view->addSeparator();
    m_connectionItem = toggle("OpponentSeekingGames1", "Opponents Seeking Games",
                              &TMainForm::OpponentSeekingGames1Click);
    m_consoleItem = toggle("MainConsole1", "Main Console", &TMainForm::MainConsole1Click);

    menuBar()->addMenu(m_options->menu());

    QMenu* tools = menu("Tools1", "&Tools", QString());
    QAction* addEngine = tools->addAction(QStringLiteral("&Add Engine..."));
    addEngine->setObjectName(QStringLiteral("AddEngine1"));
    connect(addEngine, &QAction::triggered, this, &TMainForm::AddEngine1Click);

    m_windowMenu = menu("Window1", "&Window", "Window related commands");
    m_defaultLayout = new QAction(QStringLiteral("&Default Layout"), this);
    m_defaultLayout->setObjectName(QStringLiteral("DefaultLayout1"));
    connect(m_defaultLayout, &QAction::triggered, this, &TMainForm::DefaultLayout1Click);
    fillWindowMenu();
    connect(m_windowMenu, &QMenu::aboutToShow, this, &TMainForm::fillWindowMenu);

    QMenu* help = menu("Help1", "&Help", "Help topics");
    QAction* topics = help->addAction(QStringLiteral("&Help Topics"));
    topics->setObjectName(QStringLiteral("HelpTopics1"));
    connect(topics, &QAction::triggered, this, &TMainForm::HelpTopics1Click);
    help->addSeparator();
    help->addAction(action("HelpAbout1"));
}

void TMainForm::fillWindowMenu() {
    m_windowMenu->clear();
    m_windowMenu->addAction(m_defaultLayout);
    m_windowMenu->addSeparator();
    const QList<QMdiSubWindow*> windows = m_workspace->subWindowList(QMdiArea::CreationOrder);
    for (int i = 0; i < windows.size(); ++i) {
        // A child may close while the menu is open (a peer's line, an engine's end): the
        // entry then finds its window gone and does nothing.
        const QPointer<QMdiSubWindow> window = windows[i];
        const QString number = i < 9 ? QStringLiteral("&%1 ").arg(i + 1) : QString();
        QAction* entry = m_windowMenu->addAction(number + window->windowTitle());
        entry->setCheckable(true);
        entry->setChecked(window == m_workspace->currentSubWindow());
        connect(entry, &QAction::triggered, this, [this, window] {
            if (window)
                m_workspace->setActiveSubWindow(window);
        });
    }
}

void TMainForm::buildToolBar() {
    m_toolBar = addToolBar(QStringLiteral("ToolBar2"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar2"));
    m_toolBar->setMovable(false);
    const struct {
        const char* action;
        const char* theme;
        QStyle::StandardPixmap fallback;
    } buttons[] = {{"FileNew1", "document-new", QStyle::SP_FileIcon},
                   {"FileOpen1", "document-open", QStyle::SP_DialogOpenButton},
                   {"FileSave1", "document-save", QStyle::SP_DialogSaveButton},
                   {nullptr, nullptr, QStyle::SP_CustomBase},
                   {"EditCut1", "edit-cut", QStyle::SP_CustomBase},
                   {"EditCopy1", "edit-copy", QStyle::SP_CustomBase},
                   {"EditPaste1", "edit-paste", QStyle::SP_CustomBase}};
    const bool themed = actionIconsThemed();
    for (const auto& button : buttons) {
        if (!button.action) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = findChild<QAction*>(QString::fromLatin1(button.action));
        action->setIcon(toolBarIcon(button.theme, button.fallback, themed, *style()));
        m_toolBar->addAction(action);
    }
    // The Save button speaks of the game, where the action speaks of the file.
    QWidget* save = m_toolBar->widgetForAction(findChild<QAction*>(QStringLiteral("FileSave1")));
    save->setToolTip(QStringLiteral("Save"));
    save->setStatusTip(QStringLiteral("Save current game"));
}

QMdiSubWindow* TMainForm::addChild(QWidget* widget) {
    QMdiSubWindow* window = m_workspace->addSubWindow(widget);
    window->setAttribute(Qt::WA_DeleteOnClose);
    return window;
}

TMDIChild* TMainForm::MakeGameWindow(const QString& title) {
    auto* child = new TMDIChild;
    child->setWindowTitle(title);
    m_fileDrops->watch(child);
    QMdiSubWindow* window = addChild(child);
    window->show();
    placeGameWindow(window);
    m_workspace->setActiveSubWindow(window);
    attachToPeer(child);
    LoadGameFile(child, title);
    return child;
}

QMdiSubWindow* TMainForm::addLinkWindow(bool connection) {
    QMdiSubWindow* window = addChild(makeLinkWindow(connection));
    window->setGeometry(connection ? kConnectionWindowPlace : kMainConsolePlace);
    // Closing the last window of a kind takes the tick off its View item.
    QAction* item = connection ? m_connectionItem : m_consoleItem;
    connect(window, &QObject::destroyed, item, [item] { item->setChecked(false); });
    window->show();
    return window;
}

void TMainForm::CreateStartupWindows(const QStringList& arguments) {
    m_startupWindow = MakeGameWindow(QStringLiteral("Game Board"));
    addLinkWindow(true);
    m_startupConsole = qobject_cast<TForm2*>(addLinkWindow(false)->widget());
    reopenSavedPeerGames();
    if (m_startupFileDone || arguments.isEmpty())
        return;
    m_startupFileDone = true;
    const QString& file = arguments.front();
    if (QFileInfo(file).isFile()) {
        m_startupWindow->setWindowTitle(file);
        LoadGameFile(m_startupWindow, file);
    }
}

QList<QMdiSubWindow*> TMainForm::ChildWindows() const {
    QList<QMdiSubWindow*> windows = m_workspace->subWindowList(QMdiArea::ActivationHistoryOrder);
    // Qt lists the most recent last; the program's order puts it first.
    std::reverse(windows.begin(), windows.end());
    return windows;
}

std::vector<TMDIChild*> TMainForm::GameWindows() const {
    std::vector<TMDIChild*> games;
    for (QMdiSubWindow* window : ChildWindows()) {
        if (auto* game = qobject_cast<TMDIChild*>(window->widget()))
            games.push_back(game);
    }
    return games;
}

TMDIChild* TMainForm::ActiveGameWindow() const {
    QMdiSubWindow* window = m_workspace->currentSubWindow();
    return window ? qobject_cast<TMDIChild*>(window->widget()) : nullptr;
}

void TMainForm::FileNew1Execute() {
    if (!m_link->Linked()) {
        MakeGameWindow(QStringLiteral("Game Board"));
        return;
    }
    TMDIChild* window = MakeGameWindow(QStringLiteral("Active Game"));
    SendToPeer(newGameLine());
    startNewPeerGames(window);
}

void TMainForm::DefaultLayout1Click() {
    for (QMdiSubWindow* window : m_workspace->subWindowList()) {
        const QWidget* child = window->widget();
        if (qobject_cast<const TMDIChild*>(child))
            placeGameWindow(window);
        else if (qobject_cast<const TForm1*>(child))
            window->setGeometry(kConnectionWindowPlace);
        else if (qobject_cast<const TForm2*>(child))
            window->setGeometry(kMainConsolePlace);
    }
}

QString TMainForm::HelpFile() const {
    return QDir(m_folder).filePath(QStringLiteral("Help.html"));
}

void TMainForm::HelpTopics1Click() {
    // The desktop's own viewer shows the page; a missing file is the viewer's business.
    QDesktopServices::openUrl(QUrl::fromLocalFile(HelpFile()));
}

void TMainForm::HelpAbout1Execute() {
    AboutBox()->exec();
}

void TMainForm::Toolbar1Click() {
    m_toolbarItem->setChecked(!m_toolbarItem->isChecked());
    m_toolBar->setVisible(m_toolbarItem->isChecked());
}

void TMainForm::StatusBar1Click() {
    m_statusBarItem->setChecked(!m_statusBarItem->isChecked());
    statusBar()->setVisible(m_statusBarItem->isChecked());
}

void TMainForm::toggleLinkWindows(QAction* item, bool connection) {
    item->setChecked(!item->isChecked());
    if (item->isChecked()) {
        addLinkWindow(connection);
        return;
    }
    for (QMdiSubWindow* window : m_workspace->subWindowList()) {
        const QWidget* child = window->widget();
        const bool ofKind = connection ? qobject_cast<const TForm1*>(child) != nullptr
                                       : qobject_cast<const TForm2*>(child) != nullptr;
        if (ofKind)
            window->close();
    }
}

void TMainForm::OpponentSeekingGames1Click() {
    toggleLinkWindows(m_connectionItem, true);
}

void TMainForm::MainConsole1Click() {
    toggleLinkWindows(m_consoleItem, false);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    m_link->StopServer();
    m_link->Disconnect();
    for (QMdiSubWindow* window : ChildWindows())
        window->close();
    event->accept();
}
