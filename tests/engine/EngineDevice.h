#pragma once

#include <QByteArray>
#include <QIODevice>

// The two ends of an engine's pipes as one device, for protocol tests: Feed plays what the
// engine prints, TakeWritten returns what was written to the engine. Closing the input
// (CloseInput) makes every later write fail, as a pipe whose reader ended does.
class EngineDevice : public QIODevice {
    Q_OBJECT
public:
    EngineDevice();

    // Makes `bytes` readable and says so, as output arriving from an engine.
    void Feed(const QByteArray& bytes);
    QByteArray TakeWritten();
    void CloseInput() { m_inputClosed = true; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char* data, qint64 size) override;

private:
    QByteArray m_unread;
    QByteArray m_written;
    bool m_inputClosed = false;
};
