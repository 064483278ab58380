#include "app/SoundPlayer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSoundEffect>
#include <QTest>
#include <QtEndian>

#include <cmath>

namespace {

struct Wave {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    std::vector<qint16> samples;
};

// A minimal reader for the PCM files the generator makes; an empty result on any oddity.
Wave readWave(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = file.readAll();
    if (b.size() < 44 || !b.startsWith("RIFF") || b.mid(8, 8) != "WAVEfmt " ||
        b.mid(36, 4) != "data")
        return {};
    const auto u16 = [&](int at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    const auto u32 = [&](int at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    if (u16(20) != 1 || u32(40) != static_cast<quint32>(b.size() - 44) ||
        u32(4) != static_cast<quint32>(b.size() - 8))
        return {};
    Wave wave{u16(22), static_cast<int>(u32(24)), u16(34), {}};
    for (int at = 44; at + 1 < b.size(); at += 2)
        wave.samples.push_back(static_cast<qint16>(u16(at)));
    return wave;
}

double rms(const std::vector<qint16>& samples) {
    double sum = 0;
    for (qint16 s : samples)
        sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / samples.size());
}

} // namespace

// The three generated sounds beside the program, and the one player.
class SoundTest : public QObject {
    Q_OBJECT

    QString audioFolder() const { return QCoreApplication::applicationDirPath() + "/Audio"; }

private slots:
    void generatedFilesAreShortAudibleAndDistinct() {
        const QStringList names{"move.wav", "attack.wav", "mate.wav"};
        std::vector<Wave> waves;
        for (const QString& name : names) {
            const Wave wave = readWave(audioFolder() + '/' + name);
            QVERIFY2(!wave.samples.empty(), qPrintable(name));
            QCOMPARE(wave.channels, 1);
            QCOMPARE(wave.bits, 16);
            const double seconds = double(wave.samples.size()) / wave.rate;
            QVERIFY2(seconds > 0.05 && seconds < 1.5, qPrintable(name));
            // Audible, but not clipped: well above silence, below full scale.
            QVERIFY2(rms(wave.samples) > 1000, qPrintable(name));
            const auto peak =
                std::max_element(wave.samples.begin(), wave.samples.end(),
                                 [](qint16 a, qint16 b) { return std::abs(a) < std::abs(b); });
            QVERIFY2(std::abs(*peak) < 32000, qPrintable(name));
            // No click at either end.
            QVERIFY2(std::abs(wave.samples.front()) < 200 && std::abs(wave.samples.back()) < 200,
                     qPrintable(name));
            waves.push_back(wave);
        }
        QVERIFY(waves[0].samples != waves[1].samples);
        QVERIFY(waves[1].samples != waves[2].samples);
        QVERIFY(waves[0].samples != waves[2].samples);
    }

    void nothingIsOpenedWhileSoundsAreOff() {
        SoundPlayer player(QCoreApplication::applicationDirPath());
        player.setEnabled(false);
        player.play(QStringLiteral("Audio/move.wav"));
        QVERIFY(player.effect() == nullptr);
    }

    void aNewSoundReplacesTheLastOne() {
        SoundPlayer player(QCoreApplication::applicationDirPath());
        player.play(QStringLiteral("Audio/move.wav"));
        const auto* first = qobject_cast<const QSoundEffect*>(player.effect());
        QVERIFY(first != nullptr);
        player.play(QStringLiteral("Audio/mate.wav"));
        QCOMPARE(player.effect(), first);
        QCOMPARE(first->source(), QUrl::fromLocalFile(audioFolder() + "/mate.wav"));
    }

    void missingOrUnplayableFileIsSilent() {
        SoundPlayer player(QStringLiteral("/no/such/folder"));
        player.play(QStringLiteral("Audio/move.wav"));
        QVERIFY(player.effect() == nullptr);
        // A file that exists but is no sound: the player fails to load it, quietly.
        SoundPlayer other(QCoreApplication::applicationDirPath());
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("QSoundEffect.*"));
        other.play(QStringLiteral("Help.html"));
        const auto* effect = qobject_cast<const QSoundEffect*>(other.effect());
        QVERIFY(effect != nullptr);
        QTRY_VERIFY(effect->status() == QSoundEffect::Error);
        QVERIFY(!effect->isPlaying());
    }
};

QTEST_MAIN(SoundTest)
#include "SoundTest.moc"
