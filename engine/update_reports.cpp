#include "engine/update_reports.h"

#include <string>

#include "logging/log_levels.h"
#include "logging/log_writer.h"
#include "platform/sockets.h"

namespace orvane {

namespace {

std::string IndentedDump(const SntpPacket& packet) {
    std::string dump = PacketDump(packet);
    // The dump goes through a buffer of 5000 characters.
    if (dump.size() > 4999)
        dump.resize(4999);
    IndentText(dump, 2);
    return dump;
}

void WriteTimeReport(const char* protocol_name, std::uint32_t received_word,
                     const net::SocketAddress& server) {
    LogDetail detail = LogDetailFor(LogEvent::kTimeUpdate);
    if (detail == LogDetail::kNone)
        return;
    WriteLogEntry(TimeReportText(protocol_name, received_word, server, detail == LogDetail::kLong));
}

}  // namespace

std::string SntpReportText(const SntpPacket& request, const net::SocketAddress& server,
                           const SntpPacket& reply, bool long_form) {
    const std::string source = net::AddressText(server);
    if (!long_form)
        return "SNTP external update: Source IP address=" + source;
    return "SNTP external update:\n\n\tSource IP address=" + source + "\n\n\tOutgoing packet:\n" +
           IndentedDump(request) + "\n\tIncoming packet:\n" + IndentedDump(reply);
}

std::string TimeReportText(const char* protocol_name, std::uint32_t received_word,
                           const net::SocketAddress& server, bool long_form) {
    const std::string source = net::AddressText(server);
    const std::string head = std::string(protocol_name) + " external update:";
    if (!long_form)
        return head + " Source IP address=" + source;
    return head + "\n\n\tSource IP address=" + source +
           "\n\tReceived time=" + std::to_string(received_word) + "\n";
}

void SntpReport(const SntpPacket& request, const net::SocketAddress& server,
                const SntpPacket& reply, const SystemTime&, const SystemTime&) {
    LogDetail detail = LogDetailFor(LogEvent::kSntpUpdate);
    if (detail == LogDetail::kNone)
        return;
    WriteLogEntry(SntpReportText(request, server, reply, detail == LogDetail::kLong));
}

void TimeTcpReport(std::uint32_t received_word, const net::SocketAddress& server) {
    WriteTimeReport("TIME (TCP)", received_word, server);
}

void TimeUdpReport(std::uint32_t received_word, const net::SocketAddress& server) {
    WriteTimeReport("TIME (UDP)", received_word, server);
}

}  // namespace orvane
