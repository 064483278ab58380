#pragma once

#include <QObject>
#include <QString>

#include <memory>

// The program's one sound player. Playing returns at once; a new sound cuts off the one
// still playing; every failure (missing file, no audio device, unplayable format, no sound
// module) is silent. Nothing is opened while sounds are off. The multimedia back end (the
// module "rookvale-sound" in the program's folder) is loaded with the first sound.
class SoundPlayer {
public:
    // `folder` is the folder the relative names are found in: the program's folder.
    explicit SoundPlayer(QString folder);
    const QString& Folder() const { return m_folder; }
    ~SoundPlayer();

    void setEnabled(bool on) { m_enabled = on; }
    bool enabled() const { return m_enabled; }

    // Plays a file named relative to the folder ("Audio/move.wav") when sounds are on.
    void play(const QString& relativeFile);

    // The player (a QSoundEffect), or null while no sound has been asked for with sounds
    // on, or when the sound module cannot be loaded.
    const QObject* effect() const { return m_effect.get(); }

private:
    QString m_folder;
    bool m_enabled = true;
    std::unique_ptr<QObject> m_effect;
};
