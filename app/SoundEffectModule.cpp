// The multimedia part of the sound player, a module of its own: Qt Multimedia and the audio
// libraries under it are loaded with the first sound instead of with the program, whose
// start-up and memory they would otherwise weigh on for every run.
#include <QSoundEffect>

extern "C" Q_DECL_EXPORT QObject* rookvaleNewSoundEffect() {
    return new QSoundEffect;
}
