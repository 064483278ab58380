// test-peer-link [SUITE] [Qt Test options]: runs one suite, or every suite when none is named.
#include "ClientSideTest.h"
#include "PeerClockTest.h"
#include "PeerGameTest.h"
#include "PeerNextGameTest.h"
#include "PeerResumeTest.h"
#include "ServerSideTest.h"

#include "tests/support/QtSuites.h"

#include <QApplication>

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
    suites.emplace_back(new PeerGameTest);
    suites.emplace_back(new PeerClockTest);
    suites.emplace_back(new PeerNextGameTest);
    suites.emplace_back(new PeerResumeTest);

    return RunQtSuites(argc, argv, suites);
}
