#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// One run of the scripted stand-in engine: writes its script and names it, and the file
// that receives the engine's input, in the environment that a started engine inherits.
class ScriptedEngine {
public:
    // The stand-in program, built beside the tests.
    static QString Program();

    explicit ScriptedEngine(const QStringList& script);
    ~ScriptedEngine();

    // Every byte the engine has read so far.
    QByteArray Received() const;

private:
    QTemporaryDir m_folder;
};

// Whether a process of that id still exists, a zombie included.
bool ProcessExists(qint64 pid);

// The most memory this test process has held so far, in KiB.
qint64 PeakMemoryKiB();
