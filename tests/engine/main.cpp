// rvengine-tests [SUITE] [Qt Test options]: runs one suite, or every suite when none is named.
#include "engine/EngineCloser.h"

#include <QApplication>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

QObject* MakeReplyTest();
QObject* MakeLinkTest();
QObject* MakeWindowTest();
QObject* MakeAddEngineTest();

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> suites;
    suites.emplace_back(MakeReplyTest());
    suites.emplace_back(MakeLinkTest());
    suites.emplace_back(MakeWindowTest());
    suites.emplace_back(MakeAddEngineTest());

    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> args{argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i)
        args.push_back(argv[i]);

    int failures = 0;
    bool ran = false;
    for (const auto& suite : suites) {
        if (only && std::strcmp(suite->metaObject()->className(), only) != 0)
            continue;
        ran = true;
        failures += QTest::qExec(suite.get(), static_cast<int>(args.size()), args.data());
    }
    // As the program does at its end: no engine outlives the tests, nothing is leaked.
    EngineCloser::FinishAll();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ran ? failures : 2;
}
