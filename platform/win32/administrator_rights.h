// The start-up test Setup and Uninstall share: both change the machine's
// part of the registry and its program folders.
#pragma once

namespace orvane {

// True when the machine's registry root can be opened with full access,
// which only an administrator (elevated, where Windows splits the token)
// can do.
bool HasAdministratorRights();

}  // namespace orvane
