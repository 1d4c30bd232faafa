#include "support/fake_ras_library.h"

#include <algorithm>

#include "platform/unicode_text.h"

namespace orvane {

class FakeRasLibrary : public RasLibrary {
  public:
    explicit FakeRasLibrary(std::shared_ptr<FakeRasWorld> world) : world_(std::move(world)) {}

    bool Load() override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("Load");
        if (!world_->present_)
            return false;
        ++world_->loads_;
        loaded_ = true;
        return true;
    }
    bool Free() override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("Free");
        if (!loaded_)
            return false;
        loaded_ = false;
        found_.clear();
        if (!world_->free_succeeds_)
            return false;
        ++world_->frees_;
        return true;
    }
    bool Find(RasFunction function) override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back(std::string("Find(") + RasFunctionExportName(function) + ")");
        if (!loaded_ || world_->missing_.count(function) != 0)
            return false;
        found_.insert(function);
        return true;
    }

    std::uint32_t EnumConnections(std::size_t room, std::vector<RasConnectionEntry>& connections,
                                  std::size_t& wanted) override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("RasEnumConnectionsW(room=" + std::to_string(room) + ")");
        if (!Usable(RasFunction::kEnumConnections))
            return kRasErrorModuleNotFound;
        if (!world_->enum_connections_answers_.empty()) {
            const std::uint32_t answer = world_->enum_connections_answers_.front();
            world_->enum_connections_answers_.pop_front();
            if (answer != kRasSuccess) {
                wanted = world_->connections_.size();
                return answer;
            }
        }
        wanted = world_->connections_.size();
        if (room < wanted)
            return kRasErrorBufferTooSmall;
        for (const FakeRasConnection& c : world_->connections_)
            connections.push_back({c.handle, c.entry_name});
        return kRasSuccess;
    }

    std::uint32_t GetErrorString(std::uint32_t error, std::size_t buffer_size,
                                 std::string& text) override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("RasGetErrorStringW(" + std::to_string(error) +
                                 ",size=" + std::to_string(buffer_size) + ")");
        if (!Usable(RasFunction::kGetErrorString))
            return kRasErrorModuleNotFound;
        if (world_->error_string_answer_ != kRasSuccess)
            return world_->error_string_answer_;
        auto it = world_->error_texts_.find(error);
        if (it == world_->error_texts_.end())
            return 87;  // not a RAS error number
        text = CutToUtf16Units(it->second, buffer_size - 1);
        return kRasSuccess;
    }

    std::uint32_t EnumEntries(std::size_t room, std::vector<std::string>& names,
                              std::size_t& wanted) override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("RasEnumEntriesW(room=" + std::to_string(room) + ")");
        if (!Usable(RasFunction::kEnumEntries))
            return kRasErrorModuleNotFound;
        wanted = world_->entries_.size();
        if (!world_->enum_entries_answers_.empty()) {
            const std::uint32_t answer = world_->enum_entries_answers_.front();
            world_->enum_entries_answers_.pop_front();
            if (answer != kRasSuccess)
                return answer;
        }
        if (room < wanted)
            return kRasErrorBufferTooSmall;
        names = world_->entries_;
        return kRasSuccess;
    }

    std::uint32_t GetEntryDialParams(RasDialParameters& params, bool& password_stored) override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("RasGetEntryDialParamsW(" + params.entry_name + ")");
        if (!Usable(RasFunction::kGetEntryDialParams))
            return kRasErrorModuleNotFound;
        world_->last_dial_params_request_ = params.entry_name;
        if (world_->dial_params_answer_ != kRasSuccess)
            return world_->dial_params_answer_;
        const std::string name = params.entry_name;
        params = world_->stored_params_;
        params.entry_name = name;
        password_stored = !params.password.empty();
        return kRasSuccess;
    }

    std::uint32_t HangUp(RasConnectionHandle handle) override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("RasHangUpW(" + std::to_string(handle) + ")");
        if (!Usable(RasFunction::kHangUp))
            return kRasErrorModuleNotFound;
        world_->hang_ups_.push_back(handle);
        if (world_->hang_up_answer_ != kRasSuccess)
            return world_->hang_up_answer_;
        auto& list = world_->connections_;
        list.erase(
            std::remove_if(list.begin(), list.end(),
                           [handle](const FakeRasConnection& c) { return c.handle == handle; }),
            list.end());
        return kRasSuccess;
    }

    std::uint32_t GetConnectStatus(RasConnectionHandle handle, int& state) override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("RasGetConnectStatusW(" + std::to_string(handle) + ")");
        if (!Usable(RasFunction::kGetConnectStatus))
            return kRasErrorModuleNotFound;
        for (const FakeRasConnection& c : world_->connections_) {
            if (c.handle != handle)
                continue;
            if (c.status_answer != kRasSuccess)
                return c.status_answer;
            state = c.state;
            return kRasSuccess;
        }
        return 6;  // invalid handle
    }

    std::uint32_t Dial(const RasDialParameters& params, RasDialNotifier notifier,
                       RasConnectionHandle& handle) override {
        std::lock_guard<std::mutex> lock(world_->mutex_);
        world_->calls_.push_back("RasDialW(" + params.entry_name + ")");
        if (!Usable(RasFunction::kDial))
            return kRasErrorModuleNotFound;
        ++world_->dials_;
        world_->last_dial_params_ = params;
        world_->notifier_ = std::move(notifier);
        handle = world_->dial_handle_;
        return world_->dial_answer_;
    }

  private:
    bool Usable(RasFunction function) const { return loaded_ && found_.count(function) != 0; }

    std::shared_ptr<FakeRasWorld> world_;
    bool loaded_ = false;
    std::set<RasFunction> found_;
};

RasLibraryMaker FakeRasWorld::Maker() {
    std::shared_ptr<FakeRasWorld> self = shared_from_this();
    return
        [self]() -> std::unique_ptr<RasLibrary> { return std::make_unique<FakeRasLibrary>(self); };
}

void FakeRasWorld::Log(const std::string& call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(call);
}

#define FAKE_RAS_SET(body)                        \
    do {                                          \
        std::lock_guard<std::mutex> lock(mutex_); \
        body;                                     \
    } while (0)

void FakeRasWorld::SetLibraryPresent(bool present) {
    FAKE_RAS_SET(present_ = present);
}
void FakeRasWorld::SetFreeSucceeds(bool succeeds) {
    FAKE_RAS_SET(free_succeeds_ = succeeds);
}
void FakeRasWorld::RemoveFunction(RasFunction function) {
    FAKE_RAS_SET(missing_.insert(function));
}
void FakeRasWorld::SetErrorStringAnswer(std::uint32_t answer) {
    FAKE_RAS_SET(error_string_answer_ = answer);
}
void FakeRasWorld::SetErrorText(std::uint32_t error, const std::string& text) {
    FAKE_RAS_SET(error_texts_[error] = text);
}
void FakeRasWorld::QueueEnumEntriesAnswer(std::uint32_t answer) {
    FAKE_RAS_SET(enum_entries_answers_.push_back(answer));
}
void FakeRasWorld::QueueEnumConnectionsAnswer(std::uint32_t answer) {
    FAKE_RAS_SET(enum_connections_answers_.push_back(answer));
}
void FakeRasWorld::SetEntries(const std::vector<std::string>& names) {
    FAKE_RAS_SET(entries_ = names);
}
void FakeRasWorld::SetStoredDialParams(const RasDialParameters& params) {
    FAKE_RAS_SET(stored_params_ = params);
}
void FakeRasWorld::SetGetEntryDialParamsAnswer(std::uint32_t answer) {
    FAKE_RAS_SET(dial_params_answer_ = answer);
}
void FakeRasWorld::AddConnection(const FakeRasConnection& connection) {
    FAKE_RAS_SET(connections_.push_back(connection));
}
void FakeRasWorld::RemoveConnection(RasConnectionHandle handle) {
    FAKE_RAS_SET(connections_.erase(
        std::remove_if(connections_.begin(), connections_.end(),
                       [handle](const FakeRasConnection& c) { return c.handle == handle; }),
        connections_.end()));
}
void FakeRasWorld::SetHangUpAnswer(std::uint32_t answer) {
    FAKE_RAS_SET(hang_up_answer_ = answer);
}
void FakeRasWorld::SetDialAnswer(std::uint32_t answer, RasConnectionHandle handle) {
    FAKE_RAS_SET(dial_answer_ = answer; dial_handle_ = handle);
}

int FakeRasWorld::loads() const {
    FAKE_RAS_SET(return loads_);
}
int FakeRasWorld::frees() const {
    FAKE_RAS_SET(return frees_);
}
std::vector<std::string> FakeRasWorld::calls() const {
    FAKE_RAS_SET(return calls_);
}
int FakeRasWorld::count(const std::string& call) const {
    FAKE_RAS_SET(return static_cast<int>(std::count(calls_.begin(), calls_.end(), call)));
}
std::vector<RasConnectionHandle> FakeRasWorld::hang_ups() const {
    FAKE_RAS_SET(return hang_ups_);
}
int FakeRasWorld::dials() const {
    FAKE_RAS_SET(return dials_);
}
RasDialParameters FakeRasWorld::last_dial_params() const {
    FAKE_RAS_SET(return last_dial_params_);
}
std::string FakeRasWorld::last_dial_params_request() const {
    FAKE_RAS_SET(return last_dial_params_request_);
}

#undef FAKE_RAS_SET

void FakeRasWorld::Notify(unsigned message, int state, std::uint32_t error) {
    RasDialNotifier notifier;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        notifier = notifier_;
    }
    if (notifier)
        notifier(message, state, error);
}

}  // namespace orvane
