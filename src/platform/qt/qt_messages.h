#pragma once
// Keeps Qt's and the audio system's internal chatter (platform plugin probing, sound
// server connection attempts, multimedia backend warnings) off standard error, so that
// what a user reads there is our own sentence.

namespace blenvar {

// Installs a Qt message handler that drops every message except fatal ones, and asks
// GStreamer and the PulseAudio client library to print nothing unless told otherwise
// (GST_DEBUG, PULSE_LOG, for this process and what it starts, only where unset).
// A fatal message goes to onFatal when given (which may end the program with its own
// sentence), else to standard error; Qt aborts after it either way. Call it first in main.
void QuietDesktopMessages(void (*onFatal)(const char* message) = nullptr);

}  // namespace blenvar
