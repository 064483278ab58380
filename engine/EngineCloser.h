#pragma once

class QProcess;

// Ends engine processes that their links have let go, without making anybody wait:
// each one is sent "quit" and has its input closed, gets kQuitGraceMs to end on its own,
// is then terminated, and kTerminateGraceMs later killed; an ended one is reaped, so no
// zombie stays behind. Everything runs on the thread of the user interface.
class EngineCloser {
public:
    static constexpr int kQuitGraceMs = 500;
    static constexpr int kTerminateGraceMs = 300;
    static constexpr int kKillWaitMs = 200;

    // Takes ownership of a started `process` and ends it as above.
    static void End(QProcess* process);

    // For the end of the program: ends every process still being ended and reaps it,
    // waiting at most kQuitGraceMs + kTerminateGraceMs + kKillWaitMs in total however
    // many there are. A process that a kill cannot end is left to the system.
    static void FinishAll();

    // The processes still being ended.
    static int Pending();
};
