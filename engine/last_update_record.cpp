#include "engine/last_update_record.h"

#include <mutex>

namespace orvane {

namespace {

struct RecordState {
    std::mutex mutex;
    LastUpdateRecord record;
};

RecordState& State() {
    static RecordState* state = new RecordState;  // never destroyed: threads outlive main
    return *state;
}

}  // namespace

LastUpdateRecord CopyLastUpdateRecord() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().record;
}

void StoreLastUpdateRecord(const LastUpdateRecord& record) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().record = record;
}

LastUpdateRecord ModifyLastUpdateRecord(const std::function<void(LastUpdateRecord&)>& change) {
    std::lock_guard<std::mutex> lock(State().mutex);
    change(State().record);
    return State().record;
}

}  // namespace orvane
