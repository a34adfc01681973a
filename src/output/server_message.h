#pragma once
// What "Send to a server" sends for one scan: the type's address and body masks filled in.
// Text from the scan is data only: the scheme, host and port come from the mask's own
// characters, every field is percent-encoded in an HTTP address (so "../" or "?" stays
// inside its path segment or query value), "/", "+" and "#" are encoded in an MQTT topic
// (a type name such as "UCC/EAN 128" stays one level), and in a JSON body (an empty body
// mask, or one starting with "{") every field is JSON-escaped.
#include <string>
#include <string_view>

#include "core/scan_record.h"
#include "core/services.h"

namespace blenvar {

struct ServerMessage {
    bool ok = false;
    std::string error;  // one sentence for the user when not ok
    ServerRequest request;
    std::string host;  // host and port as written, for what the user is shown
};

// `rec.Id` goes out as the request's id and, with an empty body mask, in the JSON.
ServerMessage MakeServerMessage(std::string_view addressMask, std::string_view bodyMask,
                                const ScanRecord& rec);

// True for mqtt:// and mqtts:// addresses, any case.
bool IsMqttAddress(std::string_view address);

}  // namespace blenvar
