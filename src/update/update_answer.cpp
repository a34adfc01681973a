#include "update/update_answer.h"

#include <charconv>

#include "core/text.h"
#include "update/page_text.h"
#include "update/server_urls.h"
#include "update/update_texts.h"

namespace blenvar::update {

namespace {

// More than a person reads in the six-line box; the rest would only cost layout time.
constexpr std::size_t kCommentBytes = 4096;
// The link is one line: a longer page path only widens the window.
constexpr std::size_t kPageBytes = 2048;
constexpr std::string_view kLineBlanks = " \t\r\n\f\v";

// Up to nine digits keeps a × 1000000 well inside 64 bits.
std::optional<std::int64_t> PlainNumber(std::string_view s) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    for (const char c : s)
        if (!IsDigit(c)) return std::nullopt;
    std::int64_t n = 0;
    std::from_chars(s.data(), s.data() + s.size(), n);
    return n;
}

bool IsSafeFileName(std::string_view name) {
    if (name.empty() || name.find_first_of("/\\") != std::string_view::npos ||
        name.find("..") != std::string_view::npos)
        return false;
    for (const char c : name)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    return true;
}

std::optional<std::string> Sha256Field(std::string_view field) {
    if (field.size() != 64) return std::nullopt;
    for (const char c : field)
        if (!IsDigit(c) && !((c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return std::nullopt;
    return ToLowerAscii(field);
}

}  // namespace

std::int64_t VersionValue(std::int64_t major, std::int64_t minor, std::int64_t revision) {
    return major * 1000000 + minor * 1000 + revision;
}

std::optional<std::int64_t> VersionValue(std::string_view text) {
    std::int64_t parts[4] = {};
    for (int i = 0; i < 4; ++i) {
        const auto dot = text.find('.');
        const auto part = PlainNumber(text.substr(0, dot));
        if (!part) return std::nullopt;
        parts[i] = *part;
        if (dot == std::string_view::npos) {
            if (i < 2) return std::nullopt;
            return VersionValue(parts[0], parts[1], parts[2]);
        }
        text.remove_prefix(dot + 1);
    }
    return std::nullopt;
}

std::vector<std::string> SplitFields(std::string_view text) {
    std::vector<std::string> fields;
    for (;;) {
        const auto bar = text.find('|');
        fields.emplace_back(Trim(text.substr(0, bar), kLineBlanks));
        if (bar == std::string_view::npos) return fields;
        text.remove_prefix(bar + 1);
    }
}

int CommentLines(std::string_view comment) {
    int lines = 1;
    for (std::size_t i = 0; i < comment.size(); ++i) {
        if (comment[i] == '\r') {
            ++lines;
            if (i + 1 < comment.size() && comment[i + 1] == '\n') ++i;
        } else if (comment[i] == '\n') {
            ++lines;
        }
    }
    return lines;
}

bool UsesBigComment(std::string_view comment) {
    return CommentLines(comment) >= 6;
}

CheckOutcome EvaluateAnswer(std::string_view page, const CheckContext& context) {
    CheckOutcome out;
    const auto fields = SplitFields(VisibleText(page));
    if (fields.size() < 3 || fields[0] != context.executable) return out;
    const auto server = VersionValue(fields[1]);
    if (!server || !IsSafeFileName(fields[2])) return out;
    auto msi = PackageUrl(context.packageServer, context.updateServer, fields[2]);
    if (!msi) return out;
    std::string sha;
    if (fields.size() > 5 && !fields[5].empty()) {
        auto parsed = Sha256Field(fields[5]);
        if (!parsed) return out;
        sha = std::move(*parsed);
    }
    out.result = *server > context.ownVersion ? kUpdateAvailable : kCurrentVersion;
    out.currVersion = fields[1];
    out.msiLocation = std::move(*msi);
    if (fields.size() > 3 && fields[3].size() <= kPageBytes)
        out.webPage = WebPageUrl(context.updateServer, fields[3]).value_or("");
    out.sha256 = std::move(sha);
    out.comment = context.description;
    if (out.result == kUpdateAvailable && fields.size() > 4)
        out.comment += "\n\n" + CutText(fields[4], kCommentBytes);
    return out;
}

int CompareKnown(std::string_view currVersion, std::int64_t ownVersion) {
    const auto server = VersionValue(currVersion);
    if (!server) return kNoInformation;
    return *server > ownVersion ? kUpdateAvailable : kCurrentVersion;
}

ResultView ViewOf(int result, bool online) {
    switch (result) {
        case kUpdateAvailable:
            return {kStatusAvailable, kCaptionUpdate, true, 3};
        case kCurrentVersion:
            // Only ever follows "Check For Updates": a known version repeats its result.
            return {kStatusCurrent, kCaptionCheck, false, 4};
        default:
            return {online ? kStatusNoInformation : kStatusNotOnline, kCaptionCheck, true, 1};
    }
}

}  // namespace blenvar::update
