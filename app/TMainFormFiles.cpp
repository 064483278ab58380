// The main window's game-file commands: Save, Save As, Open, loading a file into a window,
// dropped files and the hand-over from a later start.
#include "app/TMainForm.h"

#include "app/AtomicWrite.h"
#include "app/FileDrop.h"
#include "app/GameFile.h"
#include "app/HandOver.h"
#include "app/PgnFile.h"
#include "app/TAboutBox.h"
#include "board/TMDIChild.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>

namespace {

const QString kGameFileSuffix = QStringLiteral(".rvg");
const QString kGameFileFilter = QStringLiteral("Rookvale Files (*.rvg)");
const QString kPgnFileFilter = QStringLiteral("PGN Files (*.pgn)");

} // namespace

namespace {

QFileDialog* gameFileDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode) {
    auto* dialog = new QFileDialog(parent);
    dialog->setNameFilters({kGameFileFilter, kPgnFileFilter});
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setAcceptMode(mode);
    return dialog;
}

} // namespace

QFileDialog* TMainForm::OpenDialog() {
    if (!m_openDialog) {
        m_openDialog = gameFileDialog(this, "OpenDialog", QFileDialog::AcceptOpen);
        m_openDialog->setFileMode(QFileDialog::ExistingFile);
    }
    return m_openDialog;
}

QFileDialog* TMainForm::SaveDialog1() {
    if (!m_saveDialog) {
        m_saveDialog = gameFileDialog(this, "SaveDialog1", QFileDialog::AcceptSave);
        m_saveDialog->setDefaultSuffix(QStringLiteral("rvg"));
        connect(m_saveDialog, &QFileDialog::filterSelected, m_saveDialog,
                [this](const QString& filter) {
                    m_saveDialog->setDefaultSuffix(
                        filter == kPgnFileFilter ? QStringLiteral("pgn") : QStringLiteral("rvg"));
                });
        // A chosen file is replaced without a question, as it always was.
        m_saveDialog->setOption(QFileDialog::DontConfirmOverwrite);
    }
    return m_saveDialog;
}

TAboutBox* TMainForm::AboutBox() {
    if (!m_aboutBox)
        m_aboutBox = new TAboutBox(this);
    return m_aboutBox;
}

void TMainForm::showError(const QString& text) {
    QMessageBox::warning(this, windowTitle(), text);
}

bool TMainForm::writeWindowFile(TMDIChild* window, const QString& fileName) {
    if (isPgnFileName(fileName))
        return writeFileAtomically(fileName, PgnTextOf(window));
    return writeGameFile(fileName, window->game().Model().moveRecord);
}

void TMainForm::FileSave1Execute() {
    TMDIChild* window = ActiveGameWindow();
    if (!window)
        return;
    // Only a title that is a game file's name says where to save; a result appended to
    // it, or a new game's title, means asking for a name. A game file starts from the
    // initial position, so a game from another position asks for a PGN name.
    const QString title = window->windowTitle();
    const bool startsAtHome = window->game().Model().startFen.empty();
    if (!title.endsWith(QStringLiteral(".pgn"), Qt::CaseSensitive) &&
        !(title.endsWith(kGameFileSuffix, Qt::CaseSensitive) && startsAtHome)) {
        FileSaveAs1Execute();
        return;
    }
    if (window->game().Model().moveRecord.empty())
        return;
    if (!writeWindowFile(window, title))
        showError(QStringLiteral("Cannot create file %1").arg(title));
}

void TMainForm::FileSaveAs1Execute() {
    // The dialog's nested event loop may close the window meanwhile.
    const QPointer<TMDIChild> window = ActiveGameWindow();
    if (!window || window->game().Model().moveRecord.empty())
        return;
    const bool startsAtHome = window->game().Model().startFen.empty();
    QFileDialog* dialog = SaveDialog1();
    dialog->selectNameFilter(startsAtHome ? kGameFileFilter : kPgnFileFilter);
    dialog->setDefaultSuffix(startsAtHome ? QStringLiteral("rvg") : QStringLiteral("pgn"));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty() || !window)
        return;
    const QString fileName = dialog->selectedFiles().front();
    if (!startsAtHome && !isPgnFileName(fileName)) {
        showError(QStringLiteral("A game from a position is saved as PGN: choose a name "
                                 "ending in .pgn."));
        return;
    }
    if (!writeWindowFile(window, fileName)) {
        showError(QStringLiteral("Cannot create file %1").arg(fileName));
        return;
    }
    window->setWindowTitle(fileName);
}

void TMainForm::FileOpen1Execute() {
    QFileDialog* dialog = OpenDialog();
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    MakeGameWindow(dialog->selectedFiles().front());
}

void TMainForm::LoadGameFile(TMDIChild* window, const QString& fileName) {
    if (isPgnFileName(fileName)) {
        LoadPgnFile(window, fileName);
        return;
    }
    const GameFileContents contents = readGameFile(fileName);
    switch (contents.status) {
    case GameFileContents::Status::Missing:
        return;
    case GameFileContents::Status::Loaded:
        window->game().Model().finished = 1;
        window->LoadMoveRecord(contents.lines);
        return;
    case GameFileContents::Status::Unreadable:
        window->game().Model().finished = 1;
        showError(QStringLiteral("Cannot open file %1").arg(fileName));
        return;
    case GameFileContents::Status::Invalid:
        // Nothing of a refused file reaches the window: it stays empty and finished.
        window->game().Model().finished = 1;
        showError(QStringLiteral("Cannot open file %1\nLine %2 is not a move: \"%3\"")
                      .arg(fileName)
                      .arg(contents.badLineNumber)
                      .arg(contents.badLineText));
        return;
    }
}

void TMainForm::AcceptDroppedFiles(const QStringList& fileNames) {
    for (const QString& name : fileNames) {
        if (name.endsWith(kGameFileSuffix, Qt::CaseSensitive) || isPgnFileName(name))
            MakeGameWindow(name);
    }
}

void TMainForm::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TMainForm::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    OpenDroppedFilesLater(droppedFiles(event->mimeData()));
}

void TMainForm::OpenDroppedFilesLater(const QStringList& fileNames) {
    // Opening may show a message box; the desktop's drag ends first.
    QMetaObject::invokeMethod(
        this, [this, fileNames] { AcceptDroppedFiles(fileNames); }, Qt::QueuedConnection);
}

void TMainForm::ReceiveHandOver(const QByteArray& text) {
    const QString fileName = handOverFileName(text);
    if (fileName.isEmpty())
        return;
    MakeGameWindow(fileName);
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}
