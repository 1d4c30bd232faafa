#include "protocols/sntp_broadcast_listener.h"

#include <atomic>
#include <chrono>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "protocols/broadcast_checks.h"
#include "protocols/sntp_client.h"

namespace orvane {

namespace {

constexpr int kReceiveBufferSize = 2000;
constexpr int kPollMilliseconds = 20;
constexpr int kPollLimit = 250;  // 5000 ms of 20 ms polls
constexpr int kIdleMilliseconds = 100;
// How long a read of the interface list is trusted: a flood of broadcasts
// from strangers must not read it for each one.
constexpr std::uint32_t kInterfaceListLifeMs = 10000;

enum ListenerState {
    kStarting = 1,
    kReceiving = 2,
    kClosedWaiting = 3,
    kAcknowledged = 4,
    kEnding = 5,
};

std::atomic<int> listening_enabled{0};
std::atomic<int> listener_state{0};

std::mutex setup_mutex;
// Never destroyed: the listener thread may still use them while the process ends.
ErrorReporter& error_reporter = *new ErrorReporter;
BindFailureReporter& bind_failure_reporter = *new BindFailureReporter;
int bind_retry_interval_ms = kBindRetryIntervalMs;
TextReporter& text_reporter = *new TextReporter;
BroadcastHandler& broadcast_handler = *new BroadcastHandler;
std::uint16_t listen_port = kSntpPort;
std::uint32_t source_for_tests = 0;

void Sleep(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void RaiseError(const std::string& text) {
    ErrorReporter reporter;
    {
        std::lock_guard<std::mutex> lock(setup_mutex);
        reporter = error_reporter;
    }
    if (reporter)
        reporter(text);
}

void ReportText(const std::string& text) {
    TextReporter reporter;
    {
        std::lock_guard<std::mutex> lock(setup_mutex);
        reporter = text_reporter;
    }
    if (reporter)
        reporter(text);
}

// Polls until the state reaches the wanted value; false after 5000 ms.
bool WaitForState(int wanted) {
    for (int poll = 0; poll < kPollLimit; ++poll) {
        if (listener_state.load() == wanted)
            return true;
        Sleep(kPollMilliseconds);
    }
    return listener_state.load() == wanted;
}

// Lets a report through at most once per kBadDatagramReportIntervalMs of
// the clock's tick count, so a flood of bad datagrams costs one line a
// minute, not one per datagram.
class ReportLimit {
  public:
    bool Allow(std::uint32_t now) {
        if (made_ && now - last_ < kBadDatagramReportIntervalMs)
            return false;
        made_ = true;
        last_ = now;
        return true;
    }

  private:
    bool made_ = false;
    std::uint32_t last_ = 0;
};

// This PC's interfaces, read again once the last read is old.
class ConnectedInterfaces {
  public:
    const std::vector<LocalInterface>& Get(std::uint32_t now) {
        if (!read_ || now - read_at_ >= kInterfaceListLifeMs) {
            if (TheLocalNetworks().ListInterfaces(&interfaces_) != 0)
                interfaces_.clear();  // loopback still counts
            read_ = true;
            read_at_ = now;
        }
        return interfaces_;
    }

  private:
    bool read_ = false;
    std::uint32_t read_at_ = 0;
    std::vector<LocalInterface> interfaces_;
};

net::SocketHandle CreateListenSocket() {
    net::SocketHandle s = net::CreateSocket(net::SocketType::kDatagram);
    if (s == net::kInvalidSocket)
        RaiseError("Unable to create SNTP multicast listen socket");
    return s;
}

// 0 when bound, else the Winsock error; the socket is closed then.
int BindListenSocket(net::SocketHandle s) {
    net::SocketAddress local;
    local.family = net::kAfInet;
    local.address = GetSntpBindAddress();
    {
        std::lock_guard<std::mutex> lock(setup_mutex);
        local.port = net::HostToNetwork16(listen_port);
    }
    // Shared with the other listeners on this PC (the time service, other
    // users' copies): each of them receives every broadcast.
    net::SetReuseAddressOption(s, true);
    if (net::BindSocket(s, local) == 0)
        return 0;
    const int code = net::LastSocketError();
    net::CloseSocket(s);
    return code != 0 ? code : net::kWsaEaddrinuse;
}

void ReportBindFailure(int code) {
    BindFailureReporter reporter;
    {
        std::lock_guard<std::mutex> lock(setup_mutex);
        reporter = bind_failure_reporter;
    }
    if (reporter)
        reporter(code);
}

// Ends the thread by the stop handshake once listening is no longer wanted.
void EndListenerThread() {
    listener_state.store(kClosedWaiting);
    if (!WaitForState(kAcknowledged)) {
        RaiseError("Unable to end SNTP multicast listen thread (1).");
    }
    listener_state.store(kEnding);
}

// Waits out the retry interval after a failed bind; false when listening
// was switched off meanwhile.
bool WaitToRetryBind() {
    int interval = 0;
    {
        std::lock_guard<std::mutex> lock(setup_mutex);
        interval = bind_retry_interval_ms;
    }
    for (int waited = 0; waited < interval; waited += kIdleMilliseconds) {
        if (listening_enabled.load() != 1)
            return false;
        Sleep(kIdleMilliseconds);
    }
    return listening_enabled.load() == 1;
}

void ListenerThread() {
    listener_state.store(kStarting);
    ReportLimit empty_reports;
    ReportLimit invalid_reports;
    ReportLimit failure_reports;
    ConnectedInterfaces connected;
    bool bind_failure_reported = false;
    net::SocketHandle s = CreateListenSocket();
    if (s == net::kInvalidSocket)
        return;

    for (;;) {  // one pass per socket: a connection reset starts a new one
        const int bind_error = BindListenSocket(s);
        if (bind_error != 0) {
            // Another program may hold the port (another user's copy, a
            // time server): not a reason to end, only to try again later.
            if (!bind_failure_reported) {
                bind_failure_reported = true;
                ReportBindFailure(bind_error);
            }
            if (!WaitToRetryBind()) {
                EndListenerThread();
                return;
            }
            s = CreateListenSocket();
            if (s == net::kInvalidSocket)
                return;
            continue;
        }
        bind_failure_reported = false;
        listener_state.store(kReceiving);
        bool rebuild = false;
        while (!rebuild) {
            if (listening_enabled.load() != 1) {
                net::CloseSocket(s);
                EndListenerThread();
                return;
            }
            // Waits only while nothing is there: a burst of datagrams is
            // drained at once, so a good broadcast behind it waits for no
            // sleeps.
            const int readable = net::WaitReadable(s, kIdleMilliseconds);
            if (readable != 1) {
                if (readable < 0)
                    Sleep(kIdleMilliseconds);  // a failing wait returns at once
                continue;
            }
            // Before the read, which would make it late.
            const std::uint64_t arrival = HostForm(CurrentNtpTime());
            std::uint8_t datagram[kReceiveBufferSize];
            net::SocketAddress source;
            int received = net::RecvFrom(s, datagram, kReceiveBufferSize, &source);
            const std::uint32_t now = TheClock().GetTickCount();
            if (received < 0) {
                const int error = net::LastSocketError();
                // Windows gives a datagram longer than the buffer as an
                // error (and drops it): no packet of ours, and as cheap to
                // send in a flood as a short one.
                if (error == net::kWsaEmsgsize) {
                    if (invalid_reports.Allow(now))
                        ReportText("Invalid multicast SNTP packet received.");
                    continue;
                }
                if (error == net::kWsaEconnreset) {
                    ReportText(
                        "SNTP multicast socket received WSAECONNRESET.Restarting SNTP multicast "
                        "process.");
                    net::CloseSocket(s);
                    listener_state.store(kStarting);
                    s = CreateListenSocket();
                    if (s == net::kInvalidSocket)
                        return;
                    rebuild = true;
                    continue;
                }
                if (failure_reports.Allow(now))
                    ReportText("recvfrom() failed.");
                Sleep(kIdleMilliseconds);
                continue;
            }
            {
                std::lock_guard<std::mutex> lock(setup_mutex);
                if (source_for_tests != 0 && (net::NetworkToHost32(source.address) >> 24) == 127)
                    source.address = source_for_tests;
            }
            SntpPacket packet;
            switch (CheckBroadcastDatagram(datagram, received, source.address, connected.Get(now),
                                           &packet)) {
                case BroadcastVerdict::kEmpty:
                    if (empty_reports.Allow(now))
                        ReportText("Empty multicast SNTP packet received.");
                    break;
                case BroadcastVerdict::kInvalid:
                    if (invalid_reports.Allow(now))
                        ReportText("Invalid multicast SNTP packet received.");
                    break;
                case BroadcastVerdict::kDropped:
                    break;
                case BroadcastVerdict::kAccepted: {
                    BroadcastHandler handler;
                    {
                        std::lock_guard<std::mutex> lock(setup_mutex);
                        handler = broadcast_handler;
                    }
                    if (handler)
                        handler(packet, source, arrival);
                    break;
                }
            }
        }
    }
}

void StopHandshake() {
    listening_enabled.store(0);
    if (listener_state.load() != kClosedWaiting && !WaitForState(kClosedWaiting)) {
        RaiseError("Unable to end SNTP multicast listen thread (2).");
    }
    listener_state.store(kAcknowledged);
    if (!WaitForState(kEnding))
        RaiseError("Unable to end SNTP multicast listen thread (3).");
}

}  // namespace

BroadcastVerdict CheckBroadcastDatagram(const std::uint8_t* datagram, int length,
                                        std::uint32_t source,
                                        const std::vector<LocalInterface>& interfaces,
                                        SntpPacket* packet_out) {
    if (length == 0)
        return BroadcastVerdict::kEmpty;
    if (length < static_cast<int>(kSntpPacketSize))
        return BroadcastVerdict::kInvalid;
    const SntpPacket packet = DecodePacket(datagram);
    if (packet_out != nullptr)
        *packet_out = packet;
    // No usable broadcast, or a sender beyond this PC's own subnets (a
    // router passes no broadcast, so it is forged): dropped silently, at
    // no cost.
    if (!CheckBroadcastPacket(packet).empty() || !SenderOnConnectedSubnet(source, interfaces))
        return BroadcastVerdict::kDropped;
    return BroadcastVerdict::kAccepted;
}

void SetBroadcastErrorReporter(ErrorReporter reporter) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    error_reporter = std::move(reporter);
}

void SetBroadcastBindFailureReporter(BindFailureReporter reporter) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    bind_failure_reporter = std::move(reporter);
}

void SetBroadcastBindRetryInterval(int milliseconds) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    bind_retry_interval_ms = milliseconds;
}

void SetBroadcastHandler(BroadcastHandler handler) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    broadcast_handler = std::move(handler);
}

void SetBroadcastTextReporter(TextReporter reporter) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    text_reporter = std::move(reporter);
}

void SetBroadcastListenPort(std::uint16_t port) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    listen_port = port;
}

void SetBroadcastSourceForTests(std::uint32_t address) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    source_for_tests = address;
}

void ResetBroadcastListening() {
    listening_enabled.store(0);
}

void SetBroadcastListening(int on) {
    if (on == 1 && listening_enabled.load() != 1) {
        listener_state.store(kStarting);
        // Enabled before the thread runs, so its first turn sees it.
        listening_enabled.store(1);
        try {
            std::thread(ListenerThread).detach();
        } catch (const std::system_error&) {
            listening_enabled.store(0);
            RaiseError("_beginthread() failed.");
        }
        return;
    }
    if (on != 1 && listening_enabled.load() == 1)
        StopHandshake();
    listening_enabled.store(on == 1 ? 1 : 0);
}

int BroadcastListenerState() {
    return listener_state.load();
}

}  // namespace orvane
