#include "EngineDevice.h"

#include <cstring>

EngineDevice::EngineDevice() {
    open(QIODevice::ReadWrite | QIODevice::Unbuffered);
}

void EngineDevice::Feed(const QByteArray& bytes) {
    m_unread += bytes;
    emit readyRead();
}

QByteArray EngineDevice::TakeWritten() {
    return std::exchange(m_written, {});
}

qint64 EngineDevice::bytesAvailable() const {
    return m_unread.size() + QIODevice::bytesAvailable();
}

qint64 EngineDevice::readData(char* data, qint64 maxSize) {
    const qint64 size = std::min<qint64>(maxSize, m_unread.size());
    std::memcpy(data, m_unread.constData(), static_cast<size_t>(size));
    m_unread.remove(0, size);
    return size;
}

qint64 EngineDevice::writeData(const char* data, qint64 size) {
    if (m_inputClosed) {
        setErrorString(QStringLiteral("Broken pipe"));
        return -1;
    }
    m_written.append(data, size);
    return size;
}
