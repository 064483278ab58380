#include "app/SoundPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <QUrl>

namespace {

using NewSoundEffect = QObject* (*)();

// Loaded once from the program's folder; the module stays loaded for the rest of the run.
NewSoundEffect soundEffectMaker(const QString& folder) {
    static const NewSoundEffect maker = [&folder] {
        QLibrary module(QDir(folder).filePath("rookvale-sound"));
        return reinterpret_cast<NewSoundEffect>(module.resolve("rookvaleNewSoundEffect"));
    }();
    return maker;
}

} // namespace

SoundPlayer::SoundPlayer(QString folder) : m_folder(std::move(folder)) {}

SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::play(const QString& relativeFile) {
    if (!m_enabled)
        return;
    // A missing file would only make the player complain on the terminal.
    const QString file = QDir(m_folder).filePath(relativeFile);
    if (!QFileInfo::exists(file))
        return;
    // Created on first use so that a run with sounds off never touches the audio system.
    if (!m_effect) {
        const NewSoundEffect make = soundEffectMaker(m_folder);
        if (!make)
            return;
        m_effect.reset(make());
    }
    // Through the meta-object system, so that only the module links the multimedia library.
    QMetaObject::invokeMethod(m_effect.get(), "stop");
    m_effect->setProperty("source", QUrl::fromLocalFile(file));
    // Loading is asynchronous: play() waits for it, and a file that fails to load simply
    // never sounds, which is the silence wanted for every failure.
    QMetaObject::invokeMethod(m_effect.get(), "play");
}
