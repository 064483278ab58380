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
    int expected = 0;
    if (!m_connection.compare_exchange_strong(expected, 1)) {
        return 1;
    }
    if (!m_paths) {
        m_connection = 0;
        return 9;
    }
    const EngineConfig config = EngineConfig::read(InitFile::load(m_paths->configuration()));
    {
        std::lock_guard lock(m_namesMutex);
        fillName(m_author, config.author);
        fillName(m_engine, config.engine);
    }
    m_reports.attach(record, hostValue);
    std::string error;
    if (!m_driver.start(*m_paths, config, error)) {
        m_reports.detach();
        showFailureMessage(m_paths->pluginName, error);
        m_connection = 0;
        return 9;
    }
    return 0;
}

std::int32_t Plugin::close() {
    if (m_connection.load() == 0) {
        return 0;
    }
    m_driver.shutdown();
    m_reports.detach();
    return m_connection.exchange(0);
}

void Plugin::search(const unsigned char* request) {
    if (request == nullptr || !m_reports.holdsRecord()) {
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
