// test-peer-link [SUITE] [Qt Test options]: runs one suite, or every suite when none is named.
#include "ClientSideTest.h"
#include "ServerSideTest.h"

#include <QApplication>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// Freed memory waits in the address sanitizer's quarantine and stays resident meanwhile; a
// small quarantine keeps the flood tests' memory figure about the program.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=8";
}
#endif

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> suites;
    suites.emplace_back(new ServerSideTest);
    suites.emplace_back(new ClientSideTest);

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
