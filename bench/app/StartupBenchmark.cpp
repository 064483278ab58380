// bench-app-startup: how long the program takes from process start until its main window is
// on the screen, and how much memory it holds with 1 and with 10 game windows (also with
// the 10 boards at their largest squares), beside the same figures of a bare Qt main window
// (bare-qt-window) and the ratios of the two. Where the memory goes is printed as the growth
// of the resident set over the steps of the start: the application object, the main window
// with its menus and settings, and the start-up children with their first paint; the time
// after main() is printed over the same steps, the children's making apart from their paint.
//
// Each run is a fresh process (the program starts once per process): the benchmark starts
// itself with --once several times and prints every run and the median. The start-up is the
// program's own: single-instance lock, association check, main window, the start-up
// children. The first run registers the file type; the median is that of the later ones,
// which find it registered as every start but the first does. Without a DISPLAY the offscreen
// platform is used, which draws nothing on a screen.
//
// A third program, fixed-parts-window, is the floor under the targets: the bare window with
// only the kinds of parts that every start of the program must make, built plainly. Its
// figures show how much of the program's distance to the bare window is the program's own.
#include "app/FileExtension.h"
#include "app/SingleInstance.h"
#include "app/TMainForm.h"
#include "board/TMDIChild.h"

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "YardstickWindow.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr int kRuns = 15;

int runOnce(int argc, char** argv) {
    const double mainEntered = secondsSinceBoot();
    useOffscreenWithoutDisplay();
    QApplication application(argc, argv);
    const double applicationMade = secondsSinceBoot();
    const double withApplication = residentMegabytes();
    SingleInstance instance;
    if (!instance.becomeFirst())
        return 1;
    TRegExtension association;
    TMainForm form(QApplication::applicationDirPath(), association);
    const double mainWindowMade = secondsSinceBoot();
    const double withMainWindow = residentMegabytes();
    form.showMaximized();
    form.CreateStartupWindows({});
    const double childrenMade = secondsSinceBoot();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    const double shown = secondsSinceBoot();
    QTest::qWait(200);
    const double oneWindow = residentMegabytes();
    const double oneWindowAnonymous = anonymousMegabytes();
    for (int i = 0; i < 9; ++i)
        form.MakeGameWindow(QStringLiteral("Game Board"));
    QTest::qWait(200);
    const double tenWindows = residentMegabytes();
    // Each board at its largest squares: its frame a little larger than the board needs.
    for (TMDIChild* game : form.GameWindows()) {
        if (auto* frame = game->parentWidget())
            frame->resize(1800, 1700);
    }
    QTest::qWait(300);
    bool largest = true;
    for (const TMDIChild* game : form.GameWindows())
        largest = largest && game->SquareSize() == TMDIChild::kLargestSquare;
    const double tenLargest = largest ? residentMegabytes() : -1;
    std::printf("%.1f %.1f %.1f %.1f %.1f %.1f %.1f %s %.1f %.1f %.1f %.1f %.1f\n",
                (shown - processStartSinceBoot()) * 1000, (shown - mainEntered) * 1000, oneWindow,
                tenWindows, tenLargest, withApplication, withMainWindow,
                qPrintable(QGuiApplication::platformName()), (applicationMade - mainEntered) * 1000,
                (mainWindowMade - applicationMade) * 1000, (childrenMade - mainWindowMade) * 1000,
                (shown - childrenMade) * 1000, oneWindowAnonymous);
    return 0;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Runs `program` with `arguments` and reads the figures it prints; false when it fails.
bool runChild(const QString& program, const QStringList& arguments, std::string& figures) {
    QProcess child;
    child.start(program, arguments);
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return false;
    figures = child.readAllStandardOutput().toStdString();
    return true;
}

// The figures of a yardstick window (bare-qt-window, fixed-parts-window) over the runs.
struct Yardstick {
    explicit Yardstick(const QString& path) : program(path) {}

    QString program;
    std::vector<double> shown, memory, anonymous;

    // One cold start; false when it fails.
    bool run() {
        std::string figures;
        if (!runChild(program, {}, figures))
            return false;
        std::istringstream out(figures);
        double ms = 0, megabytes = 0, own = 0;
        out >> ms >> megabytes >> own;
        shown.push_back(ms);
        memory.push_back(megabytes);
        anonymous.push_back(own);
        return true;
    }
};

} // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::string(argv[1]) == "--once")
        return runOnce(argc, argv);

    // One association home for all runs: the first run registers the file type, as a first
    // start does; the others find it registered, as every later start does.
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
    qputenv("ROOKVALE_INSTANCE_NAME", QByteArray("rookvale-bench-") + QByteArray::number(getpid()));

    // The three programs take turns, so that a busy moment of the machine falls on all.
    std::vector<double> fromStart, fromMain, one, ten, tenLargest, application, mainWindow,
        applicationMs, mainWindowMs, childrenMs, paintMs, anonymous;
    Yardstick bare{QStringLiteral(BARE_WINDOW)}, fixed{QStringLiteral(FIXED_PARTS_WINDOW)};
    QString platform;
    std::printf("run  start->shown ms  main()->shown ms  RSS 1 window MB  RSS 10 windows MB"
                "  10 at 160 px MB  bare window: shown ms  RSS MB\n");
    for (int run = 1; run <= kRuns; ++run) {
        std::string figures;
        if (!runChild(QString::fromLocal8Bit(argv[0]), {QStringLiteral("--once")}, figures)) {
            std::fprintf(stderr, "run %d failed\n", run);
            return 1;
        }
        std::istringstream out(figures);
        double a = 0, b = 0, c = 0, d = 0, g = 0, h = 0, k = 0, stepApplication = 0,
               stepMainWindow = 0, stepChildren = 0, stepPaint = 0, oneAnonymous = 0;
        std::string name;
        out >> a >> b >> c >> d >> g >> h >> k >> name >> stepApplication >> stepMainWindow >>
            stepChildren >> stepPaint >> oneAnonymous;
        for (Yardstick* yardstick : {&bare, &fixed}) {
            if (!yardstick->run()) {
                std::fprintf(stderr, "%s run %d failed\n", qPrintable(yardstick->program), run);
                return 1;
            }
        }
        fromStart.push_back(a);
        fromMain.push_back(b);
        one.push_back(c);
        ten.push_back(d);
        tenLargest.push_back(g);
        application.push_back(h);
        mainWindow.push_back(k);
        applicationMs.push_back(stepApplication);
        mainWindowMs.push_back(stepMainWindow);
        childrenMs.push_back(stepChildren);
        paintMs.push_back(stepPaint);
        anonymous.push_back(oneAnonymous);
        platform = QString::fromStdString(name);
        std::printf("%3d  %16.1f  %16.1f  %15.1f  %17.1f  %14.1f  %21.1f  %6.1f\n", run, a, b, c, d,
                    g, bare.shown.back(), bare.memory.back());
    }
    // The first run registered the association and stands apart from the median.
    fromStart.erase(fromStart.begin());
    fromMain.erase(fromMain.begin());
    bare.shown.erase(bare.shown.begin());
    fixed.shown.erase(fixed.shown.begin());
    const double shown = median(fromStart);
    const double bareTime = median(bare.shown);
    std::printf("median of runs 2-%d (platform %s):\n", kRuns, qPrintable(platform));
    std::printf("  program: start->shown %.1f ms, RSS %.1f MB with 1 game window, %.1f MB with 10 "
                "(target < 80), %.1f MB with the 10 boards at 160-pixel squares\n",
                shown, median(one), median(ten), median(tenLargest));
    std::printf("  where it grows: %.1f MB with the application object, +%.1f MB the main window "
                "(menus, settings, peer link), +%.1f MB the start-up children and first paint\n",
                median(application), median(mainWindow) - median(application),
                median(one) - median(mainWindow));
    std::printf("  where the time goes after main(): %.1f ms the application object, %.1f ms the "
                "main window, %.1f ms making the start-up children, %.1f ms until it is on the "
                "screen\n",
                median(applicationMs), median(mainWindowMs), median(childrenMs), median(paintMs));
    std::printf("  bare Qt window: start->shown %.1f ms, RSS %.1f MB\n", bareTime,
                median(bare.memory));
    std::printf("  ratio of start-up times %.2f (target <= 1.1), memory above the bare window "
                "%.1f MB (target <= 6)\n",
                shown / bareTime, median(one) - median(bare.memory));
    const double anonymousAbove = median(anonymous) - median(bare.anonymous);
    std::printf(
        "  of that memory, %.1f MB is anonymous (heap, stacks, relocated data: %.1f MB against "
        "the bare window's %.1f MB) and %.1f MB pages of files (code of the libraries and "
        "the program, fonts), which the system shares and can read again\n",
        anonymousAbove, median(anonymous), median(bare.anonymous),
        median(one) - median(bare.memory) - anonymousAbove);
    std::printf("  the fixed parts alone (local server, bars, three children, 64 square labels, "
                "move table, text browser, console): start->shown %.1f ms, ratio %.2f; RSS %.1f "
                "MB, %.1f MB above the bare window, %.1f MB of it anonymous\n",
                median(fixed.shown), median(fixed.shown) / bareTime, median(fixed.memory),
                median(fixed.memory) - median(bare.memory),
                median(fixed.anonymous) - median(bare.anonymous));
    std::printf("start->shown counts from the kernel's process start time, whose resolution is "
                "one clock tick (%ld ms).\n",
                1000 / sysconf(_SC_CLK_TCK));
    return 0;
}
