#include "dialup/ras_dialup.h"

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "platform/unicode_text.h"

namespace orvane {

namespace {

// Names and error texts are kept to what the library's records and
// buffers hold, counted in UTF-16 units as the library counts them.
constexpr std::size_t kDialErrorCapacity = 399;
constexpr std::size_t kErrorTextBufferForDial = 400;
constexpr std::size_t kErrorTextBufferForProbe = 2000;
constexpr int kDialogPollMs = 20;
// A dialog that has not appeared by then is given up; the dial goes on
// unseen rather than holding the library's notification thread forever.
constexpr int kDialogWaitLimitMs = 5000;

const char* const kMissingFunctionTexts[kRasFunctionCount] = {
    "Unable to find RasEnumConnections() in rasapi32.dll.",
    "Unable to find RasGetErrorString() in rasapi32.dll.",
    "Unable to find RasEnumEntries() in rasapi32.dll.",
    "Unable to find RasGetEntryDialParams() in rasapi32.dll.",
    "Unable to find RasHangUp() in rasapi32.dll.",
    "Unable to find RasGetConnectStatus() in rasapi32.dll.",
    "Unable to find RasDial() in rasapi32.dll.",
};

std::string Bounded(const char* text) {
    return text == nullptr ? std::string() : CutToUtf16Units(text, kRasMaxEntryName);
}

// Lists with room for one record, then again with the room asked for.
template <typename Record, typename Call>
std::uint32_t ListGrowing(std::vector<Record>& records, Call call) {
    std::size_t wanted = 0;
    records.clear();
    std::uint32_t answer = call(1, records, wanted);
    if (answer == kRasErrorBufferTooSmall) {
        const std::size_t room = wanted;
        records.clear();
        answer = call(room, records, wanted);
    }
    if (answer != kRasSuccess)
        records.clear();
    return answer;
}

// The monitor's semaphore (initial count 0, maximum 1) and stop flag.
struct Monitor {
    std::mutex mutex;
    std::condition_variable released;
    bool count = false;
    std::atomic<bool> stop{false};

    void Wait(int timeout_ms) {
        std::unique_lock<std::mutex> lock(mutex);
        released.wait_for(lock, std::chrono::milliseconds(timeout_ms), [this] { return count; });
        count = false;
    }
    void Release() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            count = true;
        }
        released.notify_one();
    }
};

// Where a dial session stands. A session ends once, whichever of the
// notifier and the Cancel button gets there first.
enum Session : int { kSessionIdle, kSessionDialling, kSessionConnected, kSessionFailed };

}  // namespace

struct RasDialup::State {
    RasLibraryMaker maker;
    DialProgressUi* ui = nullptr;
    std::unique_ptr<RasLibrary> ras;
    std::array<bool, kRasFunctionCount> found{};

    std::atomic<int> available{0};
    std::atomic<int> connection_state{kConnectionStateNotConnected};
    std::atomic<int> previous_state{kConnectionStateNotConnected};
    std::atomic<int> show_progress{1};
    std::atomic<DialUiWindow> owner_window{0};
    std::atomic<DialUiWindow> notify_window{0};
    std::atomic<DialUiWindow> progress_dialog{0};
    std::atomic<bool> progress_dialog_started{false};
    std::atomic<RasConnectionHandle> dial_handle{0};
    std::atomic<int> session{kSessionIdle};

    // Texts and callbacks are read and written from several threads.
    mutable std::mutex mutex;
    std::string entry_name;
    std::string user_name;
    std::string password;
    std::string dialled_entry;
    std::string error_text;
    DialEventHandler event_handler;
    DialErrorReporter error_reporter;

    std::mutex monitor_mutex;
    std::shared_ptr<Monitor> monitor;
    std::vector<std::shared_ptr<Monitor>> all_monitors;
    std::vector<std::thread> monitor_threads;
    std::atomic<int> monitor_period_ms{kConnectionMonitorPeriodMs};

    bool Has(RasFunction function) const { return found[static_cast<int>(function)]; }

    void Report(const std::string& text) {
        DialErrorReporter reporter;
        {
            std::lock_guard<std::mutex> lock(mutex);
            reporter = error_reporter;
        }
        if (reporter)
            reporter(text);
    }

    // Posted to the notify window first, then handed to the handler on the
    // raising thread. No lock is held: the handler calls back into the
    // module.
    void Raise(int event) {
        const DialUiWindow notify = notify_window.load();
        if (notify != 0 && ui != nullptr)
            ui->PostCommand(notify, event);
        DialEventHandler handler;
        {
            std::lock_guard<std::mutex> lock(mutex);
            handler = event_handler;
        }
        if (handler)
            handler(event);
    }

    void SetText(std::string& field, const std::string& value) {
        std::lock_guard<std::mutex> lock(mutex);
        field = value;
    }
    std::string Text(const std::string& field) const {
        std::lock_guard<std::mutex> lock(mutex);
        return field;
    }

    std::uint32_t ListConnections(std::vector<RasConnectionEntry>& connections) {
        if (!Has(RasFunction::kEnumConnections))
            return kRasErrorModuleNotFound;
        return ListGrowing(
            connections,
            [this](std::size_t room, std::vector<RasConnectionEntry>& out, std::size_t& wanted) {
                return ras->EnumConnections(room, out, wanted);
            });
    }

    void HangUp(RasConnectionHandle handle) {
        if (handle != 0 && Has(RasFunction::kHangUp))
            ras->HangUp(handle);
    }

    void ShowDialogText(const char* text) {
        const DialUiWindow dialog = progress_dialog.load();
        if (dialog != 0 && ui != nullptr)
            ui->SetProgressText(dialog, text);
    }

    void CloseDialog() {
        const DialUiWindow dialog = progress_dialog.exchange(0);
        if (dialog != 0 && ui != nullptr)
            ui->CloseProgressDialog(dialog);
    }

    // The connection this program dialled is no longer listed, outside a
    // dial: it dropped or was hung up elsewhere, so it is no longer ours.
    void ForgetDialledEntryIfGone(const std::vector<RasConnectionEntry>& connections) {
        if (session.load() == kSessionDialling)
            return;
        const std::string dialled = Text(dialled_entry);
        if (dialled.empty())
            return;
        for (const RasConnectionEntry& connection : connections) {
            if (connection.entry_name == dialled)
                return;
        }
        SetText(dialled_entry, "");
    }

    bool EndSession(int outcome) {
        int expected = kSessionDialling;
        return session.compare_exchange_strong(expected, outcome);
    }
};

RasDialup::RasDialup(RasLibraryMaker maker, DialProgressUi* ui) : state_(new State) {
    state_->maker = std::move(maker);
    state_->ui = ui;
    if (state_->maker)
        state_->ras = state_->maker();
}

RasDialup::~RasDialup() {
    std::vector<std::thread> threads;
    {
        std::lock_guard<std::mutex> lock(state_->monitor_mutex);
        for (auto& monitor : state_->all_monitors) {
            monitor->stop = true;
            monitor->Release();
        }
        threads.swap(state_->monitor_threads);
    }
    for (auto& thread : threads) {
        if (thread.joinable())
            thread.join();
    }
}

int RasDialup::IsDialupAvailable() {
    State& s = *state_;
    std::unique_ptr<RasLibrary> probe = s.maker ? s.maker() : nullptr;
    if (!probe || !probe->Load())
        return 0;

    int result = 1;
    if (!probe->Find(RasFunction::kGetErrorString)) {
        s.Report(kMissingFunctionTexts[static_cast<int>(RasFunction::kGetErrorString)]);
        result = 0;
    } else {
        std::string text;
        // 126 here means Remote Access is installed only in part.
        if (probe->GetErrorString(kRasErrorNoAnswer, kErrorTextBufferForProbe, text) ==
            kRasErrorModuleNotFound) {
            result = 0;
        } else if (!probe->Find(RasFunction::kEnumEntries)) {
            result = 0;
        } else {
            std::vector<std::string> names;
            const std::uint32_t answer = ListGrowing(
                names,
                [&probe](std::size_t room, std::vector<std::string>& out, std::size_t& wanted) {
                    return probe->EnumEntries(room, out, wanted);
                });
            if (answer != kRasSuccess)
                result = 0;
        }
    }
    // Nothing stays loaded, whatever the probe found.
    if (!probe->Free())
        result = 0;
    return result;
}

void RasDialup::BindDialup(int start_monitor) {
    State& s = *state_;
    s.available = IsDialupAvailable();
    if (s.available == 1) {
        s.found.fill(false);
        if (!s.ras || !s.ras->Load()) {
            s.Report("Unable to find rasapi32.dll.");
            // Nothing to call: stay unavailable rather than poll a library
            // that is not there.
            s.available = 0;
        } else {
            for (int i = 0; i < kRasFunctionCount; ++i) {
                s.found[i] = s.ras->Find(static_cast<RasFunction>(i));
                if (!s.found[i])
                    s.Report(kMissingFunctionTexts[i]);
            }
            if (start_monitor == 1)
                StartConnectionMonitor();
        }
    }
    s.connection_state = kConnectionStateNotConnected;
    s.SetText(s.error_text, "");
    s.SetText(s.dialled_entry, "");
    s.show_progress = 1;
}

void RasDialup::SetDialErrorReporter(DialErrorReporter reporter) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->error_reporter = std::move(reporter);
}

void RasDialup::SetDialUserName(const char* name) {
    state_->SetText(state_->user_name, Bounded(name));
}

void RasDialup::SetDialPassword(const char* password) {
    state_->SetText(state_->password, Bounded(password));
}

void RasDialup::SetDialEntryName(const char* name) {
    state_->SetText(state_->entry_name, Bounded(name));
}

void RasDialup::SetDialOwnerWindow(DialWindowHandle window) {
    state_->owner_window = window;
}

void RasDialup::SetDialProgressVisible(int visible) {
    state_->show_progress = visible;
}

void RasDialup::SetDialNotifyWindow(DialWindowHandle window) {
    state_->notify_window = window;
}

void RasDialup::SetDialEventHandler(DialEventHandler handler) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->event_handler = std::move(handler);
}

void RasDialup::PollConnections() {
    State& s = *state_;
    if (s.available != 1)
        return;
    std::vector<RasConnectionEntry> connections;
    if (s.ListConnections(connections) != kRasSuccess) {
        s.connection_state = kConnectionStateNotConnected;
        return;
    }
    s.ForgetDialledEntryIfGone(connections);
    int connected = 0;
    for (const RasConnectionEntry& connection : connections) {
        int state = 0;
        if (s.Has(RasFunction::kGetConnectStatus) &&
            s.ras->GetConnectStatus(connection.handle, state) == kRasSuccess &&
            state == kRasStateConnected) {
            ++connected;
        }
    }
    const int now = connected >= 1 ? kConnectionStateConnected : kConnectionStateNotConnected;
    s.connection_state = now;
    // Exchanged in one step so that two polls at once (start-up and the
    // monitor) report a change once.
    const int before = s.previous_state.exchange(now);
    if (now != before) {
        s.Raise(now == kConnectionStateConnected ? kDialEventConnectedByUser
                                                 : kDialEventDisconnectedByUser);
    }
}

int RasDialup::GetConnectionState() {
    return state_->connection_state;
}

std::string RasDialup::GetDialEntryName() {
    return state_->Text(state_->entry_name);
}

std::string RasDialup::GetDialErrorText() {
    return state_->Text(state_->error_text);
}

int RasDialup::HangUpOwnConnection() {
    State& s = *state_;
    if (s.available != 1)
        return 0;
    std::vector<RasConnectionEntry> connections;
    if (s.ListConnections(connections) != kRasSuccess) {
        s.Report("RasEnumConnections() failed.");
        return 0;
    }
    const std::string dialled = s.Text(s.dialled_entry);
    RasConnectionHandle handle = 0;
    bool found = false;
    for (const RasConnectionEntry& connection : connections) {
        // An empty dialled entry is no entry: it must not match a nameless
        // connection of someone else.
        if (!dialled.empty() && connection.entry_name == dialled) {
            handle = connection.handle;
            found = true;
        }
    }
    if (!found) {
        // Gone already (dropped, or hung up outside the program): nothing of
        // ours is left, and the next dial must really dial.
        s.SetText(s.dialled_entry, "");
        return 0;
    }
    if (!s.Has(RasFunction::kHangUp) || s.ras->HangUp(handle) != kRasSuccess)
        return 0;
    s.SetText(s.dialled_entry, "");
    s.Raise(kDialEventDisconnectedByOrvane);
    return 1;
}

int RasDialup::DialConfiguredEntry() {
    State& s = *state_;
    if (!s.Text(s.dialled_entry).empty())
        return 1;
    s.SetText(s.error_text, kDialErrorGeneral);
    const std::string entry = s.Text(s.entry_name);
    if (entry.empty()) {
        s.SetText(s.error_text, kDialErrorInvalidEntry);
        return 0;
    }
    if (s.progress_dialog.load() != 0 || s.session.load() == kSessionDialling)
        return 1;

    RasDialParameters params;
    params.entry_name = entry;
    bool password_stored = false;
    if (s.available != 1 || !s.Has(RasFunction::kGetEntryDialParams) ||
        s.ras->GetEntryDialParams(params, password_stored) != kRasSuccess) {
        s.SetText(s.error_text, kDialErrorInternal);
        return 0;
    }
    params.entry_name = entry;
    // The settings win, empty ones too.
    params.user_name = s.Text(s.user_name);
    params.password = s.Text(s.password);

    s.dial_handle = 0;
    s.progress_dialog_started = false;
    // Marked before the dial starts: the library may report the end of the
    // dial on its own thread before RasDial has returned here.
    s.SetText(s.dialled_entry, entry);
    s.session = kSessionDialling;
    RasConnectionHandle handle = 0;
    const std::uint32_t answer =
        s.Has(RasFunction::kDial) ? s.ras->Dial(
                                        params,
                                        [this](unsigned message, int state, std::uint32_t error) {
                                            OnDialProgress(message, state, error);
                                        },
                                        handle)
                                  : kRasErrorModuleNotFound;
    if (answer != kRasSuccess) {
        s.session = kSessionIdle;
        s.HangUp(handle);
        s.dial_handle = 0;
        s.SetText(s.dialled_entry, "");
        s.SetText(s.error_text, kDialErrorInternal);
        return 0;
    }
    s.dial_handle = handle;
    // The dial failed or was cancelled before its handle was known here:
    // the connection the library holds for it still has to go.
    if (s.session.load() == kSessionFailed)
        s.HangUp(s.dial_handle.exchange(0));
    return 1;
}

std::vector<std::string> RasDialup::ListPhoneBookEntries() {
    State& s = *state_;
    std::unique_ptr<RasLibrary> library = s.maker ? s.maker() : nullptr;
    if (!library || !library->Load())
        return {};
    std::vector<std::string> names;
    if (library->Find(RasFunction::kEnumEntries)) {
        const std::uint32_t answer = ListGrowing(
            names,
            [&library](std::size_t room, std::vector<std::string>& out, std::size_t& wanted) {
                return library->EnumEntries(room, out, wanted);
            });
        if (answer != kRasSuccess) {
            s.Report("RasEnumEntries() failed, error=" + std::to_string(answer) + ".");
        }
    }
    library->Free();
    return names;
}

int RasDialup::StartConnectionMonitor() {
    State& s = *state_;
    auto monitor = std::make_shared<Monitor>();
    std::lock_guard<std::mutex> lock(s.monitor_mutex);
    try {
        s.monitor_threads.emplace_back([this, monitor] {
            while (!monitor->stop) {
                monitor->Wait(state_->monitor_period_ms);
                PollConnections();
            }
            std::lock_guard<std::mutex> lock(state_->monitor_mutex);
            if (state_->monitor == monitor)
                state_->monitor.reset();
        });
    } catch (const std::system_error&) {
        return 0;
    }
    s.monitor = monitor;
    s.all_monitors.push_back(monitor);
    return 1;
}

void RasDialup::StopConnectionMonitor() {
    std::shared_ptr<Monitor> monitor;
    {
        std::lock_guard<std::mutex> lock(state_->monitor_mutex);
        monitor = state_->monitor;
    }
    if (!monitor)
        return;
    monitor->stop = true;
    monitor->Release();
}

void RasDialup::SetMonitorPeriodMs(int period_ms) {
    state_->monitor_period_ms = period_ms;
}

void RasDialup::OnDialProgress(unsigned message, int state, std::uint32_t error) {
    State& s = *state_;
    if (message != kRasDialEventMessage)
        return;
    // Notices that come after the session ended (a Cancel raced them) are
    // no longer about anything.
    if (s.session.load() != kSessionDialling)
        return;

    if (error != 0) {
        if (!s.EndSession(kSessionFailed))
            return;
        s.ShowDialogText("Hanging up...");
        s.HangUp(s.dial_handle.exchange(0));
        std::string text;
        if (s.Has(RasFunction::kGetErrorString) &&
            s.ras->GetErrorString(error, kErrorTextBufferForDial, text) == kRasSuccess) {
            s.SetText(s.error_text, CutToUtf16Units(text, kDialErrorCapacity));
        } else {
            s.SetText(s.error_text, kDialErrorNoText);
        }
        s.CloseDialog();
        s.SetText(s.dialled_entry, "");
        s.Raise(kDialEventDialFailed);
        return;
    }

    switch (state) {
        case kRasStateOpenPort: {
            // The library may tell this state twice; one dial has one dialog.
            if (s.ui == nullptr || s.progress_dialog_started.exchange(true))
                return;
            const bool started = s.ui->StartProgressDialog(
                s.owner_window.load(),
                [this](DialUiWindow dialog) { OnProgressDialogCreated(dialog); },
                [this] { OnProgressDialogCancel(); });
            if (!started)
                return;
            for (int waited = 0; s.progress_dialog.load() == 0 && waited < kDialogWaitLimitMs;
                 waited += kDialogPollMs) {
                if (s.session.load() != kSessionDialling)
                    return;
                std::this_thread::sleep_for(std::chrono::milliseconds(kDialogPollMs));
            }
            const DialUiWindow dialog = s.progress_dialog.load();
            if (dialog != 0)
                s.ui->ShowProgressDialog(dialog, s.show_progress == 1);
            return;
        }
        case kRasStatePortOpened:
            s.ShowDialogText("Dialing...");
            return;
        case kRasStateAuthenticate:
            s.ShowDialogText("Authenticating...");
            return;
        case kRasStateAuthenticated:
            s.ShowDialogText("Authenticated");
            return;
        case kRasStateConnected:
            if (!s.EndSession(kSessionConnected))
                return;
            s.ShowDialogText("Connected");
            s.CloseDialog();
            // The dialled entry stays: the connection is this program's own
            // until it hangs it up.
            s.Raise(kDialEventConnectedByOrvane);
            return;
        default:
            return;
    }
}

void RasDialup::OnProgressDialogCreated(DialUiWindow dialog) {
    State& s = *state_;
    if (s.ui == nullptr)
        return;
    s.ui->ShowProgressDialog(dialog, s.show_progress == 1);
    if (s.session.load() != kSessionDialling) {
        // The dial ended while the dialog was being made.
        s.ui->CloseProgressDialog(dialog);
        return;
    }
    s.progress_dialog = dialog;
    s.ui->SetProgressText(dialog, "Connecting to modem...");
}

void RasDialup::OnProgressDialogCancel() {
    State& s = *state_;
    if (!s.EndSession(kSessionFailed)) {
        s.CloseDialog();
        return;
    }
    s.ShowDialogText("Hanging up...");
    s.HangUp(s.dial_handle.exchange(0));
    s.CloseDialog();
    s.SetText(s.error_text, kDialErrorCancelled);
    s.SetText(s.dialled_entry, "");
    s.Raise(kDialEventDialFailed);
}

int RasDialup::IsBound() const {
    return state_->available;
}

std::string RasDialup::GetDialledEntry() const {
    return state_->Text(state_->dialled_entry);
}

DialUiWindow RasDialup::GetProgressDialog() const {
    return state_->progress_dialog;
}

}  // namespace orvane
