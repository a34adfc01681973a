#pragma once
// What the version window shows and asks, word for word.
#include <string_view>

namespace blenvar::update {

inline constexpr std::string_view kUnknownVersion = "?.?.?";

inline constexpr std::string_view kStatusInitializing = "Initializing...";
inline constexpr std::string_view kStatusChecking = "Checking for updates...";
inline constexpr std::string_view kStatusAvailable = "Update Available";
inline constexpr std::string_view kStatusCurrent = "You Have The Current Version";
inline constexpr std::string_view kStatusNoInformation = "Couldn't Find Update Information";
inline constexpr std::string_view kStatusNotOnline = "You Are Not Online";
inline constexpr std::string_view kStatusReady = "Ready For User Input";
inline constexpr std::string_view kStatusConnecting = "Connecting to the internet...";
// No UpdateServer: nothing is asked of anyone, and the button would do nothing.
inline constexpr std::string_view kStatusChecksOff = "Update checks are off.";

inline constexpr std::string_view kCaptionCheck = "Check For Updates";
inline constexpr std::string_view kCaptionUpdate = "Update";
inline constexpr std::string_view kCaptionClose = "Close";

inline constexpr std::string_view kAskConnect =
    "You are not online.\n\n"
    "To check for updates or to install updates, you need to connect to the internet.\n\n"
    "Do you want to try to connect now?";
inline constexpr std::string_view kCannotConnect = "Couldn't connect to the internet.";
inline constexpr std::string_view kAskUnencrypted =
    "The update was downloaded over an unencrypted connection. Install it anyway?";
// Followed by the reason on the next line.
inline constexpr std::string_view kDownloadFailed = "Couldn't download the update.";
inline constexpr std::string_view kInstallFailed = "Couldn't install the update.";

}  // namespace blenvar::update
