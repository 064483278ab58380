#pragma once

#include "app/FileExtension.h"
#include "app/TMainForm.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

// One copy of the program's main window for a benchmark: its own folder (for the settings
// file) and association homes, the built pictures linked in, the start-up windows made.
struct BenchMainForm {
    QTemporaryDir folder;
    QTemporaryDir home;
    TRegExtension association{home.filePath(QStringLiteral("data")),
                              home.filePath(QStringLiteral("config"))};
    std::unique_ptr<TMainForm> form;

    BenchMainForm() {
        QFile::link(QCoreApplication::applicationDirPath() + QStringLiteral("/Images"),
                    folder.filePath(QStringLiteral("Images")));
        form = std::make_unique<TMainForm>(folder.path(), association);
        form->resize(1100, 800);
        form->show();
        form->CreateStartupWindows({});
    }
};

// Runs the event loop until `done` holds or `seconds` have passed; returns `done()`.
inline bool benchWaitFor(const std::function<bool()>& done, int seconds = 30) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done() && std::chrono::steady_clock::now() < deadline)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

// The value at `fraction` (0.5 the median) of `values`, which must not be empty.
inline double benchPercentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * (values.size() - 1) + 0.5);
    return values[index];
}
