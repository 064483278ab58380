// Rookvale: one running copy per user. A later start hands its first argument to the
// running copy and ends; the first start shows the main window.
#include "app/FileExtension.h"
#include "app/HandOver.h"
#include "app/SingleInstance.h"
#include "app/TMainForm.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Rookvale"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    const QStringList arguments = QApplication::arguments().mid(1);

    SingleInstance instance;
    if (!instance.becomeFirst()) {
        if (!arguments.isEmpty())
            instance.handOver(handOverText(arguments.front(), QDir::currentPath()));
        return 0;
    }

    TRegExtension association;
    TMainForm mainForm(QApplication::applicationDirPath(), association);
    QObject::connect(&instance, &SingleInstance::received, &mainForm, &TMainForm::ReceiveHandOver);
    // Without a window manager a maximised state means nothing, so fill the screen first.
    mainForm.setGeometry(mainForm.screen()->availableGeometry());
    mainForm.showMaximized();
    mainForm.CreateStartupWindows(arguments);
    return QApplication::exec();
}
