// An in-memory Remote Access library for unit tests. Library objects made
// by one FakeRasWorld share its phone book, connections and answers, as
// several loads of one DLL share the system's state. Every call is logged.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/ras_library.h"

namespace orvane {

struct FakeRasConnection {
    RasConnectionHandle handle = 0;
    std::string entry_name;
    int state = kRasStateConnected;
    std::uint32_t status_answer = kRasSuccess;
};

class FakeRasWorld : public std::enable_shared_from_this<FakeRasWorld> {
  public:
    // A maker for RasDialup: each call gives a new library object.
    RasLibraryMaker Maker();

    // --- Set-up by the test (any time) ---
    void SetLibraryPresent(bool present);
    void SetFreeSucceeds(bool succeeds);
    void RemoveFunction(RasFunction function);
    // Answers of GetErrorString: a fixed answer, and the texts by number.
    void SetErrorStringAnswer(std::uint32_t answer);
    void SetErrorText(std::uint32_t error, const std::string& text);
    // The next answers of EnumEntries / EnumConnections, before the normal
    // behaviour (which answers 603 when the room is too small).
    void QueueEnumEntriesAnswer(std::uint32_t answer);
    void QueueEnumConnectionsAnswer(std::uint32_t answer);
    void SetEntries(const std::vector<std::string>& names);
    void SetStoredDialParams(const RasDialParameters& params);
    void SetGetEntryDialParamsAnswer(std::uint32_t answer);
    void AddConnection(const FakeRasConnection& connection);
    void RemoveConnection(RasConnectionHandle handle);
    void SetHangUpAnswer(std::uint32_t answer);
    // Dial: its answer and the handle it hands out.
    void SetDialAnswer(std::uint32_t answer, RasConnectionHandle handle);

    // --- Observations ---
    int loads() const;
    int frees() const;
    // "Load", "Free", "Find(RasDialW)", "RasHangUpW(7)", "RasEnumEntriesW(room=1)", ...
    std::vector<std::string> calls() const;
    int count(const std::string& call) const;
    std::vector<RasConnectionHandle> hang_ups() const;
    int dials() const;
    RasDialParameters last_dial_params() const;
    std::string last_dial_params_request() const;  // entry name asked for
    // Delivers a notice through the last dial's notifier, on this thread.
    void Notify(unsigned message, int state, std::uint32_t error);

  private:
    friend class FakeRasLibrary;
    void Log(const std::string& call);

    mutable std::mutex mutex_;
    bool present_ = true;
    bool free_succeeds_ = true;
    std::set<RasFunction> missing_;
    std::uint32_t error_string_answer_ = kRasSuccess;
    std::map<std::uint32_t, std::string> error_texts_;
    std::deque<std::uint32_t> enum_entries_answers_;
    std::deque<std::uint32_t> enum_connections_answers_;
    std::vector<std::string> entries_;
    RasDialParameters stored_params_;
    std::uint32_t dial_params_answer_ = kRasSuccess;
    std::vector<FakeRasConnection> connections_;
    std::uint32_t hang_up_answer_ = kRasSuccess;
    std::uint32_t dial_answer_ = kRasSuccess;
    RasConnectionHandle dial_handle_ = 0;

    int loads_ = 0;
    int frees_ = 0;
    std::vector<std::string> calls_;
    std::vector<RasConnectionHandle> hang_ups_;
    int dials_ = 0;
    RasDialParameters last_dial_params_;
    std::string last_dial_params_request_;
    RasDialNotifier notifier_;
};

}  // namespace orvane
