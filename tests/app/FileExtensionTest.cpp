#include "app/FileExtension.h"
#include "app/AssociationCheck.h"
#include "app/DatabaseRefresh.h"
#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

// The file-type association over freedesktop files, in a temporary data and config home.
class FileExtensionTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_home;

    TRegExtension registry() const {
        return TRegExtension(m_home.filePath(QStringLiteral("data")),
                             m_home.filePath(QStringLiteral("config")));
    }
    QString entryFile(const QString& program) const {
        return m_home.filePath(QStringLiteral("data/applications/") +
                               QFileInfo(program).fileName() + "-rvgfile.desktop");
    }
    static QByteArray readFile(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private slots:
    void init() {
        QDir(m_home.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_home.path()));
    }

    void commandParameters_data() {
        QTest::addColumn<QString>("given");
        QTest::addColumn<QString>("stored");
        QTest::newRow("quoted %1") << "\"%1\""
                                   << "%f";
        QTest::newRow("bare %1") << "%1"
                                 << "%f";
        QTest::newRow("quoted %f") << "\"%f\""
                                   << "%f";
        QTest::newRow("no argument") << ""
                                     << "%f";
        QTest::newRow("option only") << "--print"
                                     << "--print %f";
        QTest::newRow("option before argument") << "-p \"%1\""
                                                << "-p %f";
    }
    void commandParameters() {
        QFETCH(QString, given);
        QFETCH(QString, stored);
        QCOMPARE(TExtCommand(QStringLiteral("open"), QStringLiteral("&Open"), given).parameters,
                 stored);
    }

    void execLineQuotesAndEscapes_data() {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("line");
        QTest::newRow("plain") << "/opt/rv/rookvale"
                               << "\"/opt/rv/rookvale\" %f";
        QTest::newRow("blank") << "/my games/rookvale"
                               << "\"/my games/rookvale\" %f";
        QTest::newRow("quote and dollar") << "/a\"b$c/rookvale"
                                          << "\"/a\\\\\"b\\\\$c/rookvale\" %f";
        QTest::newRow("percent") << "/100%/rookvale"
                                 << "\"/100%%/rookvale\" %f";
        QTest::newRow("backslash") << "/a\\b/rookvale"
                                   << "\"/a\\\\\\\\b/rookvale\" %f";
    }
    void execLineQuotesAndEscapes() {
        QFETCH(QString, program);
        QFETCH(QString, line);
        QCOMPARE(execLine(program, QStringLiteral("%f")), line);
    }

    void defaultsFromSetters() {
        TExtInfo info;
        info.SetExtension(QStringLiteral(".xyz"));
        info.SetPath(QStringLiteral("/opt/rv/rookvale"));
        QCOMPARE(info.description, QStringLiteral("xyz File"));
        QCOMPARE(info.icon, QStringLiteral("rookvale"));
        TExtCommands commands;
        commands.Add(QStringLiteral("print"), QStringLiteral("&Print"), QString());
        commands.Add(QStringLiteral("open"), QStringLiteral("&Open"), QString());
        QCOMPARE(commands.defaultVerb, QStringLiteral("print"));
        QCOMPARE(commands.list.size(), size_t(2));
    }

    void firstStartWritesEverything() {
        TRegExtension reg = registry();
        const QString program = QStringLiteral("/opt/rv/rookvale");
        QVERIFY(!reg.IsRegistered(QStringLiteral("rvg")));
        QCOMPARE(checkAssociation(reg, program), AssociationResult::Registered);
        QVERIFY(reg.IsRegistered(QStringLiteral(".rvg")));

        const IniFile entry(entryFile(program));
        const QString section = QStringLiteral("Desktop Entry");
        QCOMPARE(entry.value(section, QStringLiteral("Exec")),
                 QStringLiteral("\"/opt/rv/rookvale\" %f"));
        QCOMPARE(entry.value(section, QStringLiteral("MimeType")),
                 QStringLiteral("application/x-rvgfile;"));
        QCOMPARE(entry.value(section, QStringLiteral("Type")), QStringLiteral("Application"));
        const IniFile defaults(m_home.filePath(QStringLiteral("config/mimeapps.list")));
        QCOMPARE(defaults.value(QStringLiteral("Default Applications"),
                                QStringLiteral("application/x-rvgfile")),
                 QStringLiteral("rookvale-rvgfile.desktop"));
        // Files that other programs read keep the line ends of their format.
        QVERIFY(!readFile(entryFile(program)).contains('\r'));
        QVERIFY(!readFile(m_home.filePath(QStringLiteral("config/mimeapps.list"))).contains('\r'));
        const QByteArray mime =
            readFile(m_home.filePath(QStringLiteral("data/mime/packages/rvgfile.xml")));
        QVERIFY(mime.contains("<comment>Rookvale File</comment>"));
        QVERIFY(mime.contains("<glob pattern=\"*.rvg\"/>"));
        QVERIFY(mime.contains("type=\"application/x-rvgfile\""));

        const std::unique_ptr<TExtInfo> info = reg.GetExtInfo(QStringLiteral("rvg"));
        QVERIFY(info);
        QCOMPARE(info->description, QStringLiteral("Rookvale File"));
        QCOMPARE(info->path, QStringLiteral("\"/opt/rv/rookvale\" %f"));
        QCOMPARE(info->commands.defaultVerb, QStringLiteral("open"));
    }

    void otherDefaultsAreKept() {
        QVERIFY(QDir().mkpath(m_home.filePath(QStringLiteral("config"))));
        QFile list(m_home.filePath(QStringLiteral("config/mimeapps.list")));
        QVERIFY(list.open(QIODevice::WriteOnly));
        list.write("[Default Applications]\ntext/plain=gedit.desktop\n\n"
                   "[Added Associations]\nimage/png=eog.desktop;\n");
        list.close();
        TRegExtension reg = registry();
        QCOMPARE(checkAssociation(reg, QStringLiteral("/opt/rv/rookvale")),
                 AssociationResult::Registered);
        QCOMPARE(readFile(list.fileName()),
                 QByteArray("[Default Applications]\ntext/plain=gedit.desktop\n"
                            "application/x-rvgfile=rookvale-rvgfile.desktop\n\n"
                            "[Added Associations]\nimage/png=eog.desktop;\n"));
    }

    void sameProgramWritesNothing() {
        TRegExtension reg = registry();
        const QString program = QStringLiteral("/opt/rv/rookvale");
        QCOMPARE(checkAssociation(reg, program), AssociationResult::Registered);
        QTRY_VERIFY_WITH_TIMEOUT(!DatabaseRefresh::Busy(), 30000);
        const QByteArray before = readFile(entryFile(program));
        QFile::remove(m_home.filePath(QStringLiteral("data/mime/mime.cache")));
        QCOMPARE(checkAssociation(reg, program), AssociationResult::AlreadyRegistered);
        QCOMPARE(readFile(entryFile(program)), before);
        // The databases are refreshed only when something was written.
        QVERIFY(!DatabaseRefresh::Busy());
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("data/mime/mime.cache"))));
    }

    void changedCommandIsRewritten_data() {
        QTest::addColumn<QString>("otherProgram");
        QTest::addColumn<QByteArray>("damage");
        QTest::newRow("program moved") << "/elsewhere/rookvale" << QByteArray();
        QTest::newRow("quotes dropped") << QString() << QByteArray("Exec=/opt/rv/rookvale %f");
        QTest::newRow("quoted field code")
            << QString() << QByteArray("Exec=\"/opt/rv/rookvale\" \"%f\"");
        QTest::newRow("no Exec line") << QString() << QByteArray("Name=x");
    }
    void changedCommandIsRewritten() {
        QFETCH(QString, otherProgram);
        QFETCH(QByteArray, damage);
        TRegExtension reg = registry();
        const QString program = QStringLiteral("/opt/rv/rookvale");
        if (!otherProgram.isEmpty()) {
            QCOMPARE(checkAssociation(reg, otherProgram), AssociationResult::Registered);
        } else {
            QCOMPARE(checkAssociation(reg, program), AssociationResult::Registered);
            QFile file(entryFile(program));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[Desktop Entry]\n" + damage + "\n");
        }
        QCOMPARE(checkAssociation(reg, program), AssociationResult::Registered);
        QCOMPARE(IniFile(entryFile(program))
                     .value(QStringLiteral("Desktop Entry"), QStringLiteral("Exec")),
                 QStringLiteral("\"/opt/rv/rookvale\" %f"));
        QCOMPARE(checkAssociation(reg, program), AssociationResult::AlreadyRegistered);
    }

    void extraVerbsAreReadBackButIgnored() {
        TRegExtension reg = registry();
        auto info = std::make_unique<TExtInfo>();
        info->SetExtension(QStringLiteral(".rvg"));
        info->SetPath(QStringLiteral("/opt/rv/rookvale"));
        info->commands.Add(QStringLiteral("open"), QStringLiteral("&Open"), QStringLiteral("%1"));
        info->commands.Add(QStringLiteral("print"), QStringLiteral("&Print"), QStringLiteral("-p"));
        QVERIFY(reg.Add(std::move(info)));
        QVERIFY(!reg.Add(nullptr));
        QVERIFY(reg.Register());
        const std::unique_ptr<TExtInfo> read = reg.GetExtInfo(QStringLiteral(".rvg"));
        QVERIFY(read);
        QCOMPARE(read->commands.list.size(), size_t(2));
        QCOMPARE(read->commands.list[1]->name, QStringLiteral("print"));
        QCOMPARE(read->commands.list[1]->caption, QStringLiteral("&Print"));
        QCOMPARE(read->commands.list[1]->parameters, QStringLiteral("\"/opt/rv/rookvale\" -p %f"));
        QCOMPARE(checkAssociation(reg, QStringLiteral("/opt/rv/rookvale")),
                 AssociationResult::AlreadyRegistered);
    }

    void unwritableHomeFailsSilently() {
        // A file where the data folder should be: nothing below it can be made.
        QFile blocker(m_home.filePath(QStringLiteral("data")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        TRegExtension reg = registry();
        QCOMPARE(checkAssociation(reg, QStringLiteral("/opt/rv/rookvale")),
                 AssociationResult::RegisterFailed);
        QVERIFY(!reg.IsRegistered(QStringLiteral(".rvg")));
    }

    void emptyExtensionOrPathIsRefused() {
        TRegExtension reg = registry();
        TExtInfo noPath;
        noPath.SetExtension(QStringLiteral(".rvg"));
        QVERIFY(!reg.CreateExtension(noPath));
        TExtInfo noExtension;
        noExtension.SetPath(QStringLiteral("/opt/rv/rookvale"));
        QVERIFY(!reg.CreateExtension(noExtension));
        QVERIFY(!QFileInfo::exists(m_home.filePath(QStringLiteral("data"))));
    }
};

QTEST_GUILESS_MAIN(FileExtensionTest)
#include "FileExtensionTest.moc"
