#include "output/server_message.h"

#include <cstddef>

#include "core/json_text.h"
#include "core/text.h"
#include "output/mask.h"

namespace blenvar {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void Percent(std::string& out, unsigned char c) {
    out += '%';
    out += kHex[c >> 4];
    out += kHex[c & 0x0F];
}

// Only letters, digits and "-_~" go into an address as they are; "." is encoded too, so
// a scan of ".." is never a step up the path.
void AppendHttpField(std::string& out, std::string_view field) {
    for (const char ch : field) {
        const auto c = static_cast<unsigned char>(ch);
        if (IsDigit(ch) || (LowerAscii(ch) >= 'a' && LowerAscii(ch) <= 'z') || c == '-' ||
            c == '_' || c == '~')
            out += ch;
        else
            Percent(out, c);
    }
}

// A topic level may hold almost anything but the level separator and the wildcards; "%"
// is encoded as well so the encoding can be read back.
void AppendTopicField(std::string& out, std::string_view field) {
    for (const char ch : field) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == '/' || c == '+' || c == '#' || c == '%' || c < 0x20 || c == 0x7F)
            Percent(out, c);
        else
            out += ch;
    }
}

// The marked text with each run of scan characters passed through `field`.
template <typename Field>
std::string Escaped(const MarkedText& m, std::size_t from, Field field) {
    std::string out;
    std::size_t i = from;
    while (i < m.text.size()) {
        std::size_t end = i;
        while (end < m.text.size() && m.fromField[end] == m.fromField[i]) ++end;
        const std::string_view run = std::string_view(m.text).substr(i, end - i);
        if (m.fromField[i])
            field(out, run);
        else
            out.append(run);
        i = end;
    }
    return out;
}

ServerMessage Refuse(std::string error) {
    ServerMessage m;
    m.error = std::move(error);
    return m;
}

}  // namespace

bool IsMqttAddress(std::string_view address) {
    const std::string lower = ToLowerAscii(address.substr(0, 8));
    return lower.starts_with("mqtt://") || lower.starts_with("mqtts://");
}

ServerMessage MakeServerMessage(std::string_view addressMask, std::string_view bodyMask,
                                const ScanRecord& rec) {
    const MarkedText a = FormatMaskMarked(Trim(addressMask), rec);
    const std::size_t sep = a.text.find("://");
    const auto fromScan = [&](std::size_t from, std::size_t to) {
        for (std::size_t i = from; i < to; ++i)
            if (a.fromField[i]) return true;
        return false;
    };
    if (sep == std::string::npos || fromScan(0, sep + 3))
        return Refuse("The server address must start with http://, https://, mqtt:// or mqtts://.");
    const std::string scheme = ToLowerAscii(std::string_view(a.text).substr(0, sep));
    const bool mqtt = scheme == "mqtt" || scheme == "mqtts";
    if (!mqtt && scheme != "http" && scheme != "https")
        return Refuse("The server address must start with http://, https://, mqtt:// or mqtts://.");
    // The host and port end at the mask's first "/", "?" or "#"; no scan text may come
    // before it.
    std::size_t hostEnd = sep + 3;
    while (hostEnd < a.text.size() && !a.fromField[hostEnd] &&
           std::string_view("/?#").find(a.text[hostEnd]) == std::string_view::npos)
        ++hostEnd;
    if (hostEnd < a.text.size() && a.fromField[hostEnd])
        return Refuse(
            "The host of the server address must be written out, not taken from the scan.");
    if (hostEnd == sep + 3) return Refuse("The server address names no host.");

    ServerMessage m;
    m.host = a.text.substr(sep + 3, hostEnd - sep - 3);
    if (const std::size_t at = m.host.rfind('@'); at != std::string::npos) m.host.erase(0, at + 1);
    std::string& address = m.request.address;
    address = scheme + a.text.substr(sep, hostEnd - sep);
    if (mqtt) {
        if (hostEnd >= a.text.size() || a.text[hostEnd] != '/' || hostEnd + 1 == a.text.size())
            return Refuse("An MQTT address needs a topic after the host: mqtt://broker/topic.");
        for (std::size_t i = hostEnd; i < a.text.size(); ++i)
            if (!a.fromField[i] && (a.text[i] == '+' || a.text[i] == '#'))
                return Refuse("An MQTT topic to publish to cannot hold \"+\" or \"#\".");
        address += Escaped(a, hostEnd, AppendTopicField);
    } else {
        address += Escaped(a, hostEnd, AppendHttpField);
    }

    const std::string_view body = Trim(bodyMask);
    if (body.empty()) {
        AppendScanJson(m.request.body, rec, {}, rec.Id);
    } else {
        MarkedText b = FormatMaskMarked(body, rec);
        m.request.body = body.front() == '{' ? Escaped(b, 0, AppendJsonEscaped) : std::move(b.text);
    }
    m.request.id = rec.Id;
    m.ok = true;
    return m;
}

}  // namespace blenvar
