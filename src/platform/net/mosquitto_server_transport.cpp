#include "platform/net/mosquitto_server_transport.h"

#include <mosquitto.h>
#include <mqtt_protocol.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>

#include "core/text.h"

namespace blenvar {
namespace {

using Steady = std::chrono::steady_clock;

// No answer within this long counts as a failure, to be tried again.
constexpr auto kAnswerTime = std::chrono::seconds(30);
constexpr int kKeepAliveSeconds = 60;
constexpr char kSystemCertificates[] = "/etc/ssl/certs";

std::string ErrorText(int rc) {
    return rc == MOSQ_ERR_ERRNO ? std::strerror(errno) : mosquitto_strerror(rc);
}

// The same id each run, so a broker sees one client per user and machine; the session
// is clean because the outbox, not the broker, keeps what has not gone out.
std::string ClientId() {
    std::string user = "user";
    if (const passwd* pw = getpwuid(getuid())) user = pw->pw_name;
    char host[256] = {};
    if (gethostname(host, sizeof host - 1) != 0) std::strcpy(host, "localhost");
    return "blenvar-" + user + "-" + host;
}

// What a broker says when it will never take this client's messages as it is set up.
bool RefusedForGood(int connectReason) {
    switch (connectReason) {
        case MQTT_RC_BAD_USERNAME_OR_PASSWORD:
        case MQTT_RC_NOT_AUTHORIZED:
        case MQTT_RC_BANNED:
        case MQTT_RC_BAD_AUTHENTICATION_METHOD:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool ParseMqttAddress(const std::string& address, MqttTarget& target, std::string& error) {
    const std::size_t sep = address.find("://");
    const std::string scheme = ToLowerAscii(std::string_view(address).substr(0, sep));
    if (sep == std::string::npos || (scheme != "mqtt" && scheme != "mqtts")) {
        error = "not an mqtt:// or mqtts:// address";
        return false;
    }
    target.tls = scheme == "mqtts";
    const std::size_t slash = address.find('/', sep + 3);
    std::string_view server = std::string_view(address).substr(sep + 3, slash - sep - 3);
    if (const std::size_t at = server.rfind('@'); at != std::string_view::npos)
        server.remove_prefix(at + 1);
    const std::size_t close = server.starts_with('[') ? server.find(']') : 0;
    const std::size_t colon = server.find(':', close == std::string_view::npos ? 0 : close);
    const std::string_view port = colon == std::string_view::npos ? "" : server.substr(colon + 1);
    target.host = server.substr(0, colon);
    if (target.host.starts_with('[') && target.host.ends_with(']'))
        target.host = target.host.substr(1, target.host.size() - 2);
    target.port = target.tls ? 8883 : 1883;
    if (!port.empty()) {
        target.port = 0;
        for (const char c : port)
            target.port = IsDigit(c) && target.port < 65536 ? target.port * 10 + (c - '0') : 65536;
    }
    if (slash != std::string::npos) target.topic = address.substr(slash + 1);
    if (target.host.empty() || target.port < 1 || target.port > 65535 || target.topic.empty()) {
        error = "the address needs a host, a port from 1 to 65535 and a topic";
        return false;
    }
    return true;
}

struct MosquittoServerTransport::Client {
    mosquitto* m = nullptr;
    std::string server;  // scheme, host and port, as connected to
    int connectReason = -1;
    int ackedMid = -1;
    int ackReason = 0;

    ~Client() {
        if (m) mosquitto_destroy(m);
    }
    // Runs the loop until `done` or the deadline; the loop's error when the connection
    // failed.
    template <typename Done>
    int Pump(Steady::time_point deadline, Done done) {
        while (!done()) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
            if (left.count() <= 0) return MOSQ_ERR_TIMEOUT;
            const int rc =
                mosquitto_loop(m, static_cast<int>(std::min<long>(left.count(), 1000)), 1);
            if (rc != MOSQ_ERR_SUCCESS) return rc;
        }
        return MOSQ_ERR_SUCCESS;
    }
};

MosquittoServerTransport::MosquittoServerTransport(ServerSecrets* secrets)
    : secrets_(secrets), clientId_(ClientId()) {
    static std::once_flag once;
    std::call_once(once, [] { mosquitto_lib_init(); });
}

MosquittoServerTransport::~MosquittoServerTransport() {
    Close();
}

void MosquittoServerTransport::Close() {
    // A new client for the next connection: a publish left unanswered must not be sent
    // again by the library behind the outbox's back.
    if (client_ && client_->connectReason == 0) mosquitto_disconnect(client_->m);
    client_.reset();
}

bool MosquittoServerTransport::Connect(const ServerRequest& request, const std::string& host,
                                       int port, bool tls, ServerAnswer& answer) {
    const std::string server = ServerKey(request.address);
    client_ = std::make_unique<Client>();
    Client& c = *client_;
    c.server = server + " " + request.certificate;
    c.m = mosquitto_new(clientId_.c_str(), true, &c);
    if (!c.m) {
        answer.text = "libmosquitto could not make a client";
        return false;
    }
    mosquitto_int_option(c.m, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V5);
    mosquitto_connect_v5_callback_set(
        c.m, [](mosquitto*, void* self, int reason, int, const mosquitto_property*) {
            static_cast<Client*>(self)->connectReason = reason;
        });
    mosquitto_publish_v5_callback_set(
        c.m, [](mosquitto*, void* self, int mid, int reason, const mosquitto_property*) {
            static_cast<Client*>(self)->ackedMid = mid;
            static_cast<Client*>(self)->ackReason = reason;
        });
    int rc = MOSQ_ERR_SUCCESS;
    // A broker with a certificate of its own is checked against that one alone.
    const std::string& own = request.certificate;
    if (tls)
        rc = mosquitto_tls_set(c.m, own.empty() ? nullptr : own.c_str(),
                               own.empty() ? kSystemCertificates : nullptr, nullptr, nullptr,
                               nullptr);
    if (rc == MOSQ_ERR_SUCCESS && secrets_) {
        std::string problem;
        const std::optional<ServerLogin> login = secrets_->Login(server, problem);
        if (!login && !problem.empty()) {
            answer.text = problem;
            return false;
        }
        if (login && !login->user.empty())
            rc = mosquitto_username_pw_set(c.m, login->user.c_str(), login->password.c_str());
    }
    if (rc == MOSQ_ERR_SUCCESS)
        rc = mosquitto_connect_async(c.m, host.c_str(), port, kKeepAliveSeconds);
    if (rc == MOSQ_ERR_SUCCESS)
        rc = c.Pump(Steady::now() + kAnswerTime, [&c] { return c.connectReason >= 0; });
    if (c.connectReason > 0) {
        answer.text = std::string("the broker refused the connection: ") +
                      mosquitto_reason_string(c.connectReason);
        if (RefusedForGood(c.connectReason)) answer.kind = ServerAnswer::Kind::Refused;
        return false;
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        answer.text = "cannot reach the broker at " + server + ": " + ErrorText(rc);
        return false;
    }
    return true;
}

ServerAnswer MosquittoServerTransport::Send(const ServerRequest& request) {
    ServerAnswer answer;
    MqttTarget to;
    if (!ParseMqttAddress(request.address, to, answer.text)) {
        answer.kind = ServerAnswer::Kind::Refused;
        return answer;
    }
    const std::string server = ServerKey(request.address);
    // Reads what came while idle: a broker that closed the connection, a keep-alive due.
    if (client_ && (client_->server != server + " " + request.certificate ||
                    mosquitto_loop(client_->m, 0, 1) != MOSQ_ERR_SUCCESS))
        Close();
    if (!client_ && !Connect(request, to.host, to.port, to.tls, answer)) {
        Close();
        return answer;
    }
    Client& c = *client_;
    // The id goes with every message, whatever the body, for a subscriber to drop repeats.
    mosquitto_property* properties = nullptr;
    mosquitto_property_add_string_pair(&properties, MQTT_PROP_USER_PROPERTY, "id",
                                       request.id.c_str());
    int mid = 0;
    int rc =
        mosquitto_publish_v5(c.m, &mid, to.topic.c_str(), static_cast<int>(request.body.size()),
                             request.body.data(), 1, false, properties);
    mosquitto_property_free_all(&properties);
    switch (rc) {
        case MOSQ_ERR_SUCCESS:
            break;
        case MOSQ_ERR_INVAL:
        case MOSQ_ERR_MALFORMED_UTF8:
        case MOSQ_ERR_PAYLOAD_SIZE:
        case MOSQ_ERR_OVERSIZE_PACKET:
        case MOSQ_ERR_QOS_NOT_SUPPORTED:
            answer.kind = ServerAnswer::Kind::Refused;
            answer.text = "cannot publish to \"" + to.topic + "\": " + ErrorText(rc);
            return answer;
        default:
            Close();
            answer.text = "cannot publish to " + server + ": " + ErrorText(rc);
            return answer;
    }
    rc = c.Pump(Steady::now() + kAnswerTime, [&c, mid] { return c.ackedMid == mid; });
    if (rc != MOSQ_ERR_SUCCESS) {
        Close();
        answer.text = "no answer from " + server + ": " + ErrorText(rc);
        return answer;
    }
    answer.text = std::string("MQTT ") + mosquitto_reason_string(c.ackReason);
    answer.kind = c.ackReason >= 0x80 ? ServerAnswer::Kind::Refused : ServerAnswer::Kind::Accepted;
    return answer;
}

}  // namespace blenvar
