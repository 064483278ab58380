#pragma once

#include "app/DatabaseRefresh.h"
#include "app/FileExtension.h"
#include "app/TMainForm.h"
#include "board/TMDIChild.h"

#include <QApplication>
#include <QFile>
#include <QAbstractItemView>
#include <QFileDialog>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

// A main window of its own for each test: the program's folder (for "Settings.ini") and the
// association's data and config homes are fresh temporary folders.
struct MainFormFixture {
    QTemporaryDir folder;
    QTemporaryDir home;
    TRegExtension association{home.filePath(QStringLiteral("data")),
                              home.filePath(QStringLiteral("config"))};
    std::unique_ptr<TMainForm> form;

    // The association written at start is refreshed in the background, inside `home`.
    ~MainFormFixture() {
        form.reset();
        if (!QTest::qWaitFor([] { return !DatabaseRefresh::Busy(); }, 30000))
            qWarning("the database refresh did not end");
    }

    void start(const QStringList& arguments = {}) {
        // The pictures the build put beside the test executable.
        QFile::link(QCoreApplication::applicationDirPath() + QStringLiteral("/Images"),
                    folder.filePath(QStringLiteral("Images")));
        form = std::make_unique<TMainForm>(folder.path(), association);
        form->resize(1100, 800);
        form->show();
        form->activateWindow();
        // Short cuts reach only the active window.
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("the main window did not become active");
        form->CreateStartupWindows(arguments);
    }
    QString path(const QString& name) const { return folder.filePath(name); }
};

// Handles the next modal window (a message box or a file dialog) once it is open: `act`
// receives it and must close it. Polls, because the window appears inside a nested loop
// that the test itself starts.
class NextModal {
public:
    explicit NextModal(std::function<void(QWidget*)> act) : m_act(std::move(act)) {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                m_timer.stop();
                m_seen = true;
                m_act(modal);
            }
        });
        m_timer.start(10);
    }
    bool seen() const { return m_seen; }

    // Records a message box's text and closes it.
    static std::function<void(QWidget*)> recordMessage(QString& text) {
        return [&text](QWidget* modal) {
            if (auto* box = qobject_cast<QMessageBox*>(modal))
                text = box->text();
            modal->close();
        };
    }

    // Types `fileName` into a file dialog's name field and accepts it. The program keeps its
    // dialogs, and a dialog's lists may still select the last choice (re-selected when its
    // background listing arrives): a selection wins over the typed name, so it is cleared.
    static std::function<void(QWidget*)> chooseFile(const QString& fileName) {
        return [fileName](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            for (QAbstractItemView* list : dialog->findChildren<QAbstractItemView*>())
                list->clearSelection();
            dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(fileName);
            QMetaObject::invokeMethod(dialog, "accept");
            // A refused name would leave the dialog open and the test waiting for ever.
            if (dialog->isVisible())
                dialog->reject();
        };
    }

private:
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    bool m_seen = false;
};

inline QStringList childTitles(const TMainForm& form) {
    QStringList titles;
    for (QMdiSubWindow* window : form.ChildWindows())
        titles << window->windowTitle();
    return titles;
}
