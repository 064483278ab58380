#include "MainFormFixture.h"

#include "app/AssociationCheck.h"
#include "app/OptionsMenu.h"

#include <QApplication>
#include <QFileDialog>
#include <QTest>

// What the main window leaves until after it is shown: the association, the program's icon,
// the dialogs and the multimedia back end of the sounds.
class StartupTest : public QObject {
    Q_OBJECT

    static bool multimediaLoaded() {
        QFile maps(QStringLiteral("/proc/self/maps"));
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libQt6Multimedia");
    }

private slots:
    void theRestComesAfterTheWindow() {
        MainFormFixture fixture;
        // The pictures the build put beside the test executable.
        QFile::link(QCoreApplication::applicationDirPath() + QStringLiteral("/Images"),
                    fixture.folder.filePath(QStringLiteral("Images")));
        QFile::link(QCoreApplication::applicationDirPath() + QStringLiteral("/Audio"),
                    fixture.folder.filePath(QStringLiteral("Audio")));
        // The sound back end is found in the program's folder too.
        QFile::link(QCoreApplication::applicationDirPath() + QStringLiteral("/rookvale-sound.so"),
                    fixture.folder.filePath(QStringLiteral("rookvale-sound.so")));
        fixture.form = std::make_unique<TMainForm>(fixture.folder.path(), fixture.association);
        QVERIFY(!fixture.association.IsRegistered(kGameFileExtension));
        QVERIFY(fixture.form->findChildren<QFileDialog*>().isEmpty());
        QVERIFY(QApplication::windowIcon().isNull());
        fixture.form->show();
        fixture.form->CreateStartupWindows({});
        QTRY_VERIFY(fixture.association.IsRegistered(kGameFileExtension));
        // The white knight of the default sheet, cut to its square.
        QTRY_VERIFY(!QApplication::windowIcon().isNull());
        QCOMPARE(QApplication::windowIcon().availableSizes(), QList<QSize>{QSize(60, 60)});
        QVERIFY(fixture.form->findChildren<QFileDialog*>().isEmpty());
        QVERIFY(!multimediaLoaded());

        // The first sound brings the back end; sounds are on by default.
        TMDIChild* game = fixture.form->GameWindows().front();
        QVERIFY(game->game().MakeMove("e2", "e4"));
        QVERIFY(multimediaLoaded());
        QVERIFY(fixture.form->Options()->soundPlayer().effect() != nullptr);
    }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
