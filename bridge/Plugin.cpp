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

std::int32_t Plugin::open(unsigned char* record, std::int32_t hostValue) {
    if (record == nullptr || m_reports.holdsRecord() || m_driver.searchRunning()) {
        return 1;
    }
    int expected = kClosed;
    if (!m_connection.compare_exchange_strong(expected, kOpening)) {
        return 1;
    }
    std::int32_t result = 9;
    try {
        result = startEngine(record, hostValue);
    } catch (...) {
        endEngine();
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
    }
    std::string error;
    if (!m_driver.start(*m_paths, config, error)) {
        showFailureMessage(m_paths->pluginName, error);
        return 9;
    }
    m_reports.attach(record, hostValue);
    return 0;
}

std::int32_t Plugin::close() {
    int expected = kOpen;
    if (!m_connection.compare_exchange_strong(expected, kClosing)) {
        return 0;
    }
    endEngine();
    m_connection = kClosed;
    return 1;
}

// Whatever goes wrong on the way, the host is told the connection is gone, and it is.
void Plugin::endEngine() noexcept {
    try {
        m_driver.shutdown();
    } catch (...) {
    }
    try {
        m_reports.detach();
    } catch (...) {
    }
}

void Plugin::search(const unsigned char* request) {
    if (request == nullptr || m_connection.load() != kOpen || !m_reports.holdsRecord()) {
        return;
    }
    m_driver.search(SearchRequest::read(request));
}

const char* Plugin::author() {
    std::lock_guard lock(m_namesMutex);
    if (m_author[0] == 0) {
        fillName(m_author, "Quillon GmbH");
    }
    return m_author.data();
}

const char* Plugin::engineName() {
    std::lock_guard lock(m_namesMutex);
    if (m_engine[0] == 0 && m_paths) {
        fillName(m_engine, m_paths->engineName());
    }
    return m_engine.data();
}

void* Plugin::logo() {
    return m_paths ? m_logo.handle(m_paths->logo()) : nullptr;
}

} // namespace ferrule
