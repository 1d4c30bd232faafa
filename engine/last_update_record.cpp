#include "engine/last_update_record.h"

#include <cstring>
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

void CopyTextField(char* field, std::size_t capacity, const std::string& text) {
    if (capacity == 0)
        return;
    std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}

std::string TextOfField(const char* field, std::size_t capacity) {
    std::size_t length = 0;
    while (length < capacity && field[length] != '\0')
        ++length;
    return std::string(field, length);
}

}  // namespace orvane
