// rvboard-tests [SUITE] [Qt Test options]: runs one suite, or every suite when none is named.
#include "AdvertisementTest.h"
#include "ClockTest.h"
#include "DisplayTest.h"
#include "InputTest.h"
#include "PicturesTest.h"
#include "PlayTest.h"
#include "PremoveTest.h"
#include "ReplayTest.h"
#include "ScaleTest.h"

#include "tests/support/QtSuites.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> suites;
    suites.emplace_back(new DisplayTest);
    suites.emplace_back(new InputTest);
    suites.emplace_back(new ReplayTest);
    suites.emplace_back(new PicturesTest);
    suites.emplace_back(new AdvertisementTest);
    suites.emplace_back(new ClockTest);
    suites.emplace_back(new PlayTest);
    suites.emplace_back(new ScaleTest);
    suites.emplace_back(new PremoveTest);

    return RunQtSuites(argc, argv, suites);
}
