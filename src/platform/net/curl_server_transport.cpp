#include "platform/net/curl_server_transport.h"

#include <algorithm>
#include <optional>
#include <string>

#include "platform/net/curl_library.h"

namespace blenvar {
namespace {

// No answer within this long counts as a failure, to be tried again.
constexpr long kAnswerSeconds = 30;
// The most of a refusal's words kept for the user.
constexpr std::size_t kAnswerKept = 300;

size_t KeepAnswer(char* data, size_t size, size_t count, void* user) {
    auto* answer = static_cast<std::string*>(user);
    const size_t bytes = size * count;
    if (answer->size() < kAnswerKept)
        answer->append(data, std::min(bytes, kAnswerKept - answer->size()));
    return bytes;
}

}  // namespace

struct CurlServerTransport::Handle {
    const Curl* curl = nullptr;
    CURL* easy = nullptr;
    std::string certificate;  // what `easy` checks servers against; empty: the system's store
};

CurlServerTransport::CurlServerTransport(ServerSecrets* secrets)
    : handle_(std::make_unique<Handle>()), secrets_(secrets) {}

CurlServerTransport::~CurlServerTransport() {
    if (handle_->easy) handle_->curl->easy_cleanup(handle_->easy);
}

ServerAnswer CurlServerTransport::Send(const ServerRequest& request) {
    ServerAnswer answer;
    const std::string_view address = request.address;
    if (!address.starts_with("http://") && !address.starts_with("https://")) {
        answer.kind = ServerAnswer::Kind::Refused;
        answer.text = "not an http:// or https:// address";
        return answer;
    }
    std::string error;
    Handle& h = *handle_;
    if (!h.curl && !(h.curl = LoadCurl(error))) {
        answer.text = error;
        return answer;
    }
    std::string problem;
    const std::optional<ServerLogin> login =
        secrets_ ? secrets_->Login(ServerKey(address), problem) : std::nullopt;
    if (!problem.empty()) {
        answer.text = problem;
        return answer;
    }
    if (login && login->authorization.find_first_of("\r\n") != std::string::npos) {
        answer.text = "the Authorization kept for " + ServerKey(address) + " spans lines";
        return answer;
    }
    // A fresh handle has the system's store: one that was given a file must not keep it.
    if (h.easy && h.certificate != request.certificate) {
        h.curl->easy_cleanup(h.easy);
        h.easy = nullptr;
    }
    if (!h.easy && !(h.easy = h.curl->easy_init())) {
        answer.text = "libcurl could not start a request";
        return answer;
    }
    const Curl& c = *h.curl;
    CURL* e = h.easy;
    h.certificate = request.certificate;
    std::string reply;
    curl_slist* headers = nullptr;
    const bool json = !request.body.empty() && request.body.front() == '{';
    headers = c.slist_append(headers, json ? "Content-Type: application/json"
                                           : "Content-Type: text/plain; charset=utf-8");
    headers = c.slist_append(headers, ("Idempotency-Key: " + request.id).c_str());
    if (login && !login->authorization.empty())
        headers = c.slist_append(headers, ("Authorization: " + login->authorization).c_str());
    // A body of any size goes at once, never after a "100 Continue" round trip.
    headers = c.slist_append(headers, "Expect:");
    c.easy_setopt(e, CURLOPT_URL, request.address.c_str());
    c.easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
    // The path is sent as filled in: a scan's ".." must not be folded away.
    c.easy_setopt(e, CURLOPT_PATH_AS_IS, 1L);
    c.easy_setopt(e, CURLOPT_POST, 1L);
    c.easy_setopt(e, CURLOPT_POSTFIELDS, request.body.data());
    c.easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size()));
    c.easy_setopt(e, CURLOPT_HTTPHEADER, headers);
    c.easy_setopt(e, CURLOPT_TIMEOUT, kAnswerSeconds);
    c.easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
    c.easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
    c.easy_setopt(e, CURLOPT_WRITEFUNCTION, KeepAnswer);
    c.easy_setopt(e, CURLOPT_WRITEDATA, &reply);
    c.easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
    c.easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!request.certificate.empty()) c.easy_setopt(e, CURLOPT_CAINFO, request.certificate.c_str());
    char detail[CURL_ERROR_SIZE] = "";
    c.easy_setopt(e, CURLOPT_ERRORBUFFER, detail);
    const CURLcode rc = c.easy_perform(e);
    c.easy_setopt(e, CURLOPT_ERRORBUFFER, nullptr);
    c.easy_setopt(e, CURLOPT_HTTPHEADER, nullptr);
    c.slist_free_all(headers);
    if (rc != CURLE_OK) {
        answer.text = detail[0] ? detail : c.easy_strerror(rc);
        if (rc == CURLE_PEER_FAILED_VERIFICATION && request.certificate.empty())
            answer.text +=
                " (a server with a certificate of its own needs it named in "
                "ServerCertificate)";
        return answer;
    }
    long status = 0;
    c.easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status);
    answer.text = "HTTP " + std::to_string(status);
    if (!reply.empty()) answer.text += ": " + reply;
    if (status >= 200 && status < 300)
        answer.kind = ServerAnswer::Kind::Accepted;
    else if (status >= 400 && status < 500 && status != 408 && status != 429)
        answer.kind = ServerAnswer::Kind::Refused;
    return answer;
}

}  // namespace blenvar
