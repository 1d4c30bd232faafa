// The named mutex that keeps two installers of one product from running at
// once, whichever session each runs in.
#pragma once

namespace orvane {

enum class InstallerLock {
    kTaken,          // this process holds it until it ends
    kHeldByAnother,  // an installer run by an administrator or SYSTEM holds it
    // Made or held by a program that does not run as an administrator (a
    // standard user may create a mutex in the global namespace first), or
    // not to be made at all: no lock is held, and none is waited for.
    kUnavailable,
};

// Takes the mutex `name` ("Global\...", UTF-8), made so that only administrators
// and SYSTEM may open it. The handle stays open until the process ends.
InstallerLock TakeInstallerLock(const char* name);

}  // namespace orvane
