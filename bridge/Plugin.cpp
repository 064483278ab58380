#include "Plugin.h"

#include "config/EngineConfig.h"
#include "driver/SearchRequest.h"
#include "platform/FailureMessage.h"

#include <cstring>

namespace ferrule {

namespace {

void fillName(std::array<char, 128>& buffer, const std::string& text) {
    buffer.fill(0);
    std::strncpy(buffer.data(), text.c_str(), buffer.size() - 1);
}

} // namespace

Plugin::Plugin(const std::string& libraryPath) : m_paths(derivePaths(libraryPath)) {}

std::shared_ptr<EngineDriver> Plugin::connection() const {
    std::lock_guard lock(m_connectionMutex);
    return m_driver;
}

std::int32_t Plugin::open(unsigned char* record, std::int32_t hostValue) {
    if (record == nullptr) {
        return 1;
    }
    // An engine that has ended by itself leaves a connection nobody can use.
    if (const auto open = connection(); open && open->engineEnded() && !open->searchRunning()) {
        close();
    }
    int expected = kClosed;
    if (!m_connection.compare_exchange_strong(expected, kOpening)) {
        return 1;
    }
    std::int32_t result = 9;
    try {
        result = startEngine(record, hostValue);
    } catch (...) {
        std::shared_ptr<EngineDriver> failed;
        {
            std::lock_guard lock(m_connectionMutex);
            failed = std::move(m_driver);
        }
        if (failed) {
            failed->reports().detach();
            failed->shutdown();
        }
    }
    m_connection = result == 0 ? kOpen : kClosed;
    return result;
}

std::int32_t Plugin::startEngine(unsigned char* record, std::int32_t hostValue) {
    if (!m_paths) {
        return 9;
    }
    const EngineConfig config = EngineConfig::read(InitFile::load(m_paths->configuration()));
    {
        std::lock_guard lock(m_namesMutex);
        fillName(m_author, config.author);
        fillName(m_engine, config.engine);
        m_configAuthor = !config.author.empty();
        m_configEngine = !config.engine.empty();
    }
    auto driver = std::make_shared<EngineDriver>();
    std::string error;
    if (!driver->start(*m_paths, config, error)) {
        showFailureMessage(m_paths->pluginName, error);
        return 9;
    }
    driver->reports().attach(record, hostValue);
    std::lock_guard lock(m_connectionMutex);
    m_driver = std::move(driver);
    return 0;
}

std::int32_t Plugin::close() {
    int expected = kOpen;
    if (!m_connection.compare_exchange_strong(expected, kClosing)) {
        return 0;
    }
    std::shared_ptr<EngineDriver> closing;
    {
        std::lock_guard lock(m_connectionMutex);
        closing = std::move(m_driver);
    }
    // Whatever goes wrong on the way, the host is told the connection is gone, and it is.
    if (closing) {
        try {
            closing->reports().detach();
        } catch (...) {
        }
        try {
            closing->shutdown();
        } catch (...) {
        }
    }
    m_connection = kClosed;
    return 1;
}

void Plugin::stop() {
    if (const auto driver = connection()) {
        driver->stop();
    }
}

bool Plugin::searching() const {
    const auto driver = connection();
    return driver && driver->searchRunning();
}

bool Plugin::connected() const {
    const auto driver = connection();
    return m_connection.load() == kOpen && driver && !driver->engineEnded();
}

void Plugin::search(const unsigned char* request) {
    const auto driver = connection();
    if (request == nullptr || m_connection.load() != kOpen || !driver ||
        !driver->reports().holdsRecord()) {
        return;
    }
    driver->search(SearchRequest::read(request));
}

void Plugin::ponderHit() {
    if (const auto driver = connection()) {
        driver->ponderHit();
    }
}

void Plugin::reset() {
    if (const auto driver = connection()) {
        driver->reset();
    }
}

std::int32_t Plugin::showDepth(std::int32_t depth, std::int32_t secondDepth) {
    const auto driver = connection();
    return driver ? driver->reports().showDepth(depth, secondDepth) : 0;
}

std::int32_t Plugin::showMainline(const std::uint16_t* moves, std::int32_t count,
                                  std::int32_t score) {
    const auto driver = connection();
    return driver ? driver->reports().showMainline(moves, count, score) : 0;
}

std::int32_t Plugin::showMove(std::int32_t move, std::int32_t number, std::int32_t total) {
    const auto driver = connection();
    return driver ? driver->reports().showMove(move, number, total) : 0;
}

std::int32_t Plugin::showNodes(std::uint32_t low, std::uint32_t high) {
    const auto driver = connection();
    return driver ? driver->reports().showNodes(low, high) : 0;
}

const char* Plugin::author() {
    return ownOrDefault(m_author, m_configAuthor, &EngineDriver::engineOwnAuthor, "Quillon GmbH");
}

const char* Plugin::engineName() {
    return ownOrDefault(m_engine, m_configEngine, &EngineDriver::engineOwnName,
                        m_paths ? m_paths->engineName() : std::string());
}

// The configuration's text wins; without one, the engine's own word ("myname", "id name",
// "id author") as soon as it has said it, and the default until then.
const char* Plugin::ownOrDefault(std::array<char, kNameBuffer>& buffer, bool& fromConfig,
                                 std::string (EngineDriver::*own)(), const std::string& fallback) {
    const auto driver = connection();
    const std::string ownText = driver ? ((*driver).*own)() : std::string();
    std::lock_guard lock(m_namesMutex);
    if (buffer[0] != 0 && fromConfig) {
        return buffer.data();
    }
    fillName(buffer, ownText.empty() ? fallback : ownText);
    return buffer.data();
}

void* Plugin::logo() {
    return m_paths ? m_logo.handle(m_paths->logo()) : nullptr;
}

} // namespace ferrule
