// The main window's engine command: Tools > Add Engine... and its open dialog.
#include "app/TMainForm.h"

#include "app/OptionsMenu.h"
#include "board/TMDIChild.h"
#include "engine/ProtocolProbe.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QSortFilterProxyModel>

namespace {

// What an engine is differs per platform: an ".exe" file on Windows, any executable file
// elsewhere, which only the dialog's own file list can tell apart.
#ifdef Q_OS_WIN
const QString kEngineFilter = QStringLiteral("Engine Executable Files (*.exe)");
constexpr bool kListExecutablesOnly = false;
#else
const QString kEngineFilter = QStringLiteral("Engine Executable Files (*)");
constexpr bool kListExecutablesOnly = true;
#endif

// Which protocol each engine file speaks, once found out or corrected: the file's path
// below the engines folder as the key.
const QString kEnginesSection = QStringLiteral("Engines");
// In the same section, under the engine's key followed by this, "silent" for an engine
// that printed nothing while it was asked its protocol (see ProtocolProbe::Silent). No
// engine file has such a key of its own: a file cannot also be a folder.
const QString kStartKeySuffix = QStringLiteral("/start");
const QString kSilentStart = QStringLiteral("silent");
// Whether engine windows show the Engine Output panel: "1" or "0".
const QString kWindowsSection = QStringLiteral("Windows");
const QString kEngineOutputKey = QStringLiteral("EngineOutput");
// The strength level chosen for each engine file, by the same key as its protocol.
const QString kStrengthSection = QStringLiteral("Strength");

// The settings key of the engine at `path`, or nothing for a name that the settings file
// cannot hold as a key.
std::optional<QString> protocolKey(const QString& enginesFolder, const QString& path) {
    const QString key = QDir(enginesFolder).relativeFilePath(path);
    if (key.isEmpty() || key.contains(QLatin1Char('=')) || key.startsWith(QLatin1Char('[')) ||
        key.startsWith(QLatin1Char(';')) || key.contains(QLatin1Char('\n')) ||
        key.contains(QLatin1Char('\r')))
        return std::nullopt;
    return key;
}

// The name of an engine: its file name without an extension, if it has one.
QString engineName(const QString& path) {
    const QString fileName = QFileInfo(path).fileName();
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? fileName.left(dot) : fileName;
}

// Keeps folders, to walk into, and executable files, links to them included. The file
// model's own permission filter cannot say this: naming only "executable" there hides
// every file that is readable as well, so nothing was listed.
class ExecutableFilesOnly : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QFileInfo info = files->fileInfo(files->index(row, 0, parent));
        return info.isDir() || info.isExecutable();
    }
};

} // namespace

QFileDialog* TMainForm::OpenDialog1() {
    if (m_openDialog1)
        return m_openDialog1;
    m_openDialog1 = new QFileDialog(this, QString(), QString(), kEngineFilter);
    m_openDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    m_openDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    m_openDialog1->setFileMode(QFileDialog::ExistingFile);
    if (kListExecutablesOnly) {
        // The desktop's own dialog would list every file.
        m_openDialog1->setOption(QFileDialog::DontUseNativeDialog);
        m_openDialog1->setFilter(QDir::AllDirs | QDir::Files | QDir::NoDot);
        m_openDialog1->setProxyModel(new ExecutableFilesOnly(m_openDialog1));
    }
    return m_openDialog1;
}

void TMainForm::AddEngine1Click() {
    const QString enginesFolder = QDir(m_folder).filePath(QStringLiteral("Engines")) + '/';
    QFileDialog* dialog = OpenDialog1();
    dialog->setDirectory(enginesFolder);
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty())
        return;
    // A text test on the name as chosen: an engine linked into the folder counts as lying
    // in it, wherever the link points. Only the dots of the name are taken out first, so
    // that ".." cannot lead out of the folder.
    const QString path = QDir::cleanPath(dialog->selectedFiles().front());
    if (!path.contains(enginesFolder, Qt::CaseSensitive)) {
        AddStartupConsoleLine(
            QStringLiteral("\r\nPlease select an engine from the 'Engines' directory."));
        return;
    }
    const std::optional<QString> key = protocolKey(enginesFolder, path);
    if (key) {
        if (const auto known = ProtocolFromText(m_options->Setting(kEnginesSection, *key))) {
            OpenEngineWindow(enginesFolder, path, *known);
            return;
        }
    }
    // Asking the engine takes up to a few seconds, once per engine file; the windows go on
    // meanwhile, under a busy cursor for as long as the probe lives.
    auto* probe = new ProtocolProbe(path, kProtocolProbeMs, this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    connect(probe, &QObject::destroyed, [] { QApplication::restoreOverrideCursor(); });
    connect(
        probe, &ProtocolProbe::Decided, this,
        [this, probe, enginesFolder, path, key](EngineProtocol found) {
            probe->deleteLater();
            if (key) {
                m_options->WriteSetting(kEnginesSection, *key, ProtocolText(found));
                if (probe->Silent())
                    m_options->WriteSetting(kEnginesSection, *key + kStartKeySuffix, kSilentStart);
            }
            OpenEngineWindow(enginesFolder, path, found);
        },
        Qt::QueuedConnection);
    probe->Start();
}

void TMainForm::OpenEngineWindow(const QString& enginesFolder, const QString& path,
                                 EngineProtocol protocol) {
    // Made under an empty title and named afterwards: a game file that happens to carry
    // the engine's name in the current folder is no part of the new game.
    TMDIChild* window = MakeGameWindow(QString());
    window->setWindowTitle(engineName(path));
    window->engineFailureHook = [this](const QString& text) {
        AddStartupConsoleLine(QStringLiteral("\r\n") + text);
    };
    window->engineProtocolHook = [this, enginesFolder](const QString& engine,
                                                       EngineProtocol corrected) {
        if (const std::optional<QString> key = protocolKey(enginesFolder, engine))
            m_options->WriteSetting(kEnginesSection, *key, ProtocolText(corrected));
    };
    window->SetEngineOutputShown(m_options->Setting(kWindowsSection, kEngineOutputKey) ==
                                 QLatin1String("1"));
    window->engineOutputHook = [this](bool shown) {
        m_options->WriteSetting(kWindowsSection, kEngineOutputKey,
                                shown ? QStringLiteral("1") : QStringLiteral("0"));
    };
    if (const std::optional<QString> key = protocolKey(enginesFolder, path)) {
        const QString level = m_options->Setting(kStrengthSection, *key);
        if (!level.isEmpty())
            window->ChooseStrength(level);
        window->engineStartsSilently =
            m_options->Setting(kEnginesSection, *key + kStartKeySuffix) == kSilentStart;
    }
    window->engineStrengthHook = [this, enginesFolder](const QString& engine,
                                                       const QString& level) {
        if (const std::optional<QString> key = protocolKey(enginesFolder, engine))
            m_options->WriteSetting(kStrengthSection, *key, level);
    };
    window->StartEngine(path, protocol);
}
