// The calling thread's last-error value (GetLastError/SetLastError on
// Windows). Socket failures set it to their Winsock code, as Winsock does.
#pragma once

namespace orvane {

int GetLastErrorCode();
void SetLastErrorCode(int code);

// Keeps the last-error value across clean-up calls such as closing a socket.
class LastErrorKeeper {
  public:
    LastErrorKeeper() : code_(GetLastErrorCode()) {}
    ~LastErrorKeeper() { SetLastErrorCode(code_); }
    LastErrorKeeper(const LastErrorKeeper&) = delete;
    LastErrorKeeper& operator=(const LastErrorKeeper&) = delete;

  private:
    int code_;
};

}  // namespace orvane
