// The module LazySoundPlayer loads: Qt Multimedia's player behind one C entry point.
#include "platform/qt/qt_sound_player.h"

extern "C" __attribute__((visibility("default"))) blenvar::SoundPlayer* BlenvarMakeSoundPlayer() {
    return new blenvar::QtSoundPlayer;
}
