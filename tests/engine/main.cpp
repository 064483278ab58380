// rvengine-tests [SUITE] [Qt Test options]: runs one suite, or every suite when none is named.
#include "engine/EngineCloser.h"

#include "tests/support/QtSuites.h"

#include <QApplication>

QObject* MakeReplyTest();
QObject* MakeProtocolTest();
QObject* MakeLinkTest();
QObject* MakeWindowTest();
QObject* MakeAddEngineTest();
QObject* MakeClockDialogueTest();

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> suites;
    suites.emplace_back(MakeReplyTest());
    suites.emplace_back(MakeProtocolTest());
    suites.emplace_back(MakeLinkTest());
    suites.emplace_back(MakeWindowTest());
    suites.emplace_back(MakeAddEngineTest());
    suites.emplace_back(MakeClockDialogueTest());

    const int failures = RunQtSuites(argc, argv, suites);
    // As the program does at its end: no engine outlives the tests, nothing is leaked.
    EngineCloser::FinishAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return failures;
}
