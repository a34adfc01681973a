#pragma once
// The update server's answer turned into the result of a check: no network, no window.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace blenvar::update {

// Results of a check.
inline constexpr int kUpdateAvailable = 0;
inline constexpr int kCurrentVersion = 1;
inline constexpr int kNoInformation = 2;

// a × 1000 + b + c / 1000, kept exactly as thousandths: 1.5.12 is 1005012.
std::int64_t VersionValue(std::int64_t major, std::int64_t minor, std::int64_t revision);
// The value of "a.b.c" or "a.b.c.d", each part a plain decimal number of up to nine
// digits; d is ignored. Nothing for anything else.
std::optional<std::int64_t> VersionValue(std::string_view text);

// Text split at every "|", each field trimmed of blanks and line breaks.
std::vector<std::string> SplitFields(std::string_view text);

// Lines of a comment as the text box counts them: CR LF, LF or CR each end a line.
int CommentLines(std::string_view comment);
// Six lines or more go to the scrolling box instead of the label.
bool UsesBigComment(std::string_view comment);

struct CheckContext {
    std::string_view executable;  // without extension; field 0 must equal it exactly
    std::int64_t ownVersion = 0;  // VersionValue of this program
    std::string_view updateServer;
    std::string_view packageServer;  // empty: same as updateServer
    std::string_view description;    // the comment before the check
};

struct CheckOutcome {
    int result = kNoInformation;
    // Filled only when the answer was sound (result 0 or 1).
    std::string currVersion;
    std::string msiLocation;
    std::string webPage;  // address; empty without a field 3 or when it was refused
    std::string sha256;   // lower-case hex; empty when the answer had no field 5
    // The description, extended by the server's comment when an update is available.
    std::string comment;
};

// Judges the page the server returned (raw page text: tags and entities are handled
// here). The server's comment is cut to 4 KB; a page path over 2 KB gives no page. Refused (result
// 2): fewer than three fields, field 0 not exactly the executable name, a version VersionValue
// refuses, a package name that is empty or holds "/", "\", ".." or control characters, a field 5
// that is not 64 hex digits.
CheckOutcome EvaluateAnswer(std::string_view page, const CheckContext& context);

// Result of a later check once the server's version is known: no request is made.
int CompareKnown(std::string_view currVersion, std::int64_t ownVersion);

// How the window shows a result: status line, upgrade button and visible icon (1 idle,
// 2 checking, 3 update available, 4 current version). `online` picks result 2's text.
struct ResultView {
    std::string_view status;
    std::string_view upgradeCaption;
    bool upgradeEnabled = false;
    int icon = 1;
};
ResultView ViewOf(int result, bool online);

}  // namespace blenvar::update
