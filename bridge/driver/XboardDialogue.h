#pragma once

#include "Dialogue.h"
#include "EngineFeatures.h"
#include "SearchPlan.h"
#include "config/EngineConfig.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>

namespace ferrule {

// The xboard dialogue: "xboard" and "protover 2" to open, and "zelta" once a version 1
// engine has said nothing of itself; the whole game sent again with every search, "?" or
// "exit" to stop, the thinking lines read as reports. A protocol version 2 engine's
// features shape the set-up once it has announced them.
class XboardDialogue final : public Dialogue {
public:
    XboardDialogue(DialogueLink& link, const EngineConfig& config);

    void open() override;
    std::optional<Position> prepare(const SearchRequest& request) override;
    bool ponders() override;
    bool begin(const SearchRequest& request, const std::function<void()>& armWait) override;
    void whileWaiting() override;
    bool stop(bool waiting, DialogueLink::Clock::time_point deadline) override;
    void ponderHit() override;
    void reset() override { m_link.send("reset\n"); }
    void quit(DialogueLink::Clock::time_point deadline) override;
    LineEffect handle(std::string_view line) override;
    std::string ownName() override;
    std::string ownAuthor() override { return {}; }

private:
    using Clock = DialogueLink::Clock;

    void takeFeatures(std::string_view text);
    EngineFeatures awaitFeatures();
    void nudgeUntilSettled();
    void startFeatureWait(Clock::time_point start);
    Clock::time_point featureWaitStart() const;
    std::string moveCommand(const std::string& move) const;

    DialogueLink& m_link;
    const EngineConfig m_config;

    std::atomic<bool> m_analyzeMode{false};
    std::atomic<bool> m_analysis{false};
    std::atomic<int> m_targetDepth{100};
    std::atomic<bool> m_thinkingSeen{false}; // a thinking line of this search has been read
    std::atomic<int> m_statusRequests{1};
    bool m_periodicStatus = false;  // search thread only
    int m_stepsSinceRequest = 0;    // search thread only
    TimeControlCache m_timeControl; // search thread only
    bool m_ponders = false;         // search thread only: the request asks for pondering
    bool m_whiteToMove = true;      // search thread only: the side the engine is told

    // What the engine answered to "protover 2"; settled before the first search.
    std::mutex m_featuresMutex;
    EngineFeatures m_features;
    std::atomic<bool> m_featuresSettled{false};
    std::atomic<bool> m_featureSeen{false}; // a "feature" line has arrived
    bool m_openingEnded = false;            // search thread only: "zelta" is behind us
    // When the wait for features began, and when it ends; set under m_featuresMutex.
    std::atomic<Clock::rep> m_featureWaitStart{0};
    std::atomic<Clock::rep> m_featureDeadline{0};
    std::atomic<bool> m_usermove{false};
    std::atomic<bool> m_noColors{false};
    std::atomic<bool> m_ping{false};
    std::atomic<int> m_pong{0};
    int m_pings = 0; // search thread only
};

} // namespace ferrule
