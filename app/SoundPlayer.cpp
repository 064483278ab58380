#include "app/SoundPlayer.h"

#include <QDir>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

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
    if (!m_effect)
        m_effect = std::make_unique<QSoundEffect>();
    m_effect->stop();
    m_effect->setSource(QUrl::fromLocalFile(file));
    // Loading is asynchronous: play() waits for it, and a file that fails to load simply
    // never sounds, which is the silence wanted for every failure.
    m_effect->play();
}
