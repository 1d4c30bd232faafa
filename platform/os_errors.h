// Windows error codes the core names, in Windows numbering on every
// platform (the native stand-ins translate into these).
#pragma once

namespace orvane {

constexpr int kErrorSuccess = 0;
constexpr int kErrorFileNotFound = 2;
constexpr int kErrorPathNotFound = 3;
constexpr int kErrorAccessDenied = 5;
constexpr int kErrorInvalidHandle = 6;
constexpr int kErrorInvalidData = 13;
constexpr int kErrorSharingViolation = 32;
constexpr int kErrorInvalidParameter = 87;
constexpr int kErrorDirNotEmpty = 145;
constexpr int kErrorAlreadyExists = 183;
constexpr int kErrorMoreData = 234;
constexpr int kErrorPrivilegeNotHeld = 1314;

}  // namespace orvane
