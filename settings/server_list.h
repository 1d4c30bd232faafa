// The built-in list of public time servers offered by the configuration
// dialog's "Choose server" list: the NTP pool's continent and country
// zones, the public servers of national time laboratories and large public
// NTP services. Two parallel tables, each closed by an empty entry: the
// label shown ("host (City, Country)" or "host (Country)") and the bare
// host name that becomes the server name.
#pragma once

namespace orvane {

constexpr int kPublicServerCount = 167;

extern const char* const kPublicServerLabels[kPublicServerCount + 1];
extern const char* const kPublicServerHosts[kPublicServerCount + 1];

// The host of a server-list dialog result r (row r - 1); null for 0, a
// negative result or one past the table.
const char* PublicServerHostForChoice(int result);

}  // namespace orvane
