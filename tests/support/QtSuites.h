#pragma once

// The main of a test program that holds several Qt Test suites:
// PROGRAM [SUITE] [Qt Test options] runs the suite named by its class, or every suite.

#include <QObject>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

// Returns the number of failed test functions, or 2 when no suite has the given name.
inline int RunQtSuites(int argc, char** argv, const std::vector<std::unique_ptr<QObject>>& suites) {
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
    return ran ? failures : 2;
}
