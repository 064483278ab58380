#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

class QProcess;

// The desktop's refresh after the association was written: update-mime-database over
// "mime", then update-desktop-database over "applications" of a data home, each when it is
// installed and its folder exists. It runs in the background, one refresh at a time, and
// is silent: a tool that fails, hangs (killed after 10 s) or is missing changes nothing the
// user sees. Needs a running event loop to make progress.
class DatabaseRefresh : public QObject {
    Q_OBJECT
public:
    // Starts a refresh of the databases under `dataHome` and returns at once. While one
    // runs, the latest further request waits and starts when it has ended. Does nothing
    // without an application object.
    static void Request(const QString& dataHome);
    // Whether a refresh is running or waiting.
    static bool Busy();

    ~DatabaseRefresh() override;

private:
    explicit DatabaseRefresh(QObject* parent);
    void start(const QString& dataHome);
    void runNextStep();
    void stepEnded();

    QStringList m_steps; // tool, folder, tool, folder, ... still to run
    QString m_waiting;   // the data home of a request made while one ran
    QProcess* m_process = nullptr;
    QTimer m_deadline;
};
