// What Windows Time was like before Setup handed it over: its start type,
// its start triggers and whether the Task Scheduler's weekly
// synchronisation task was enabled. Setup keeps it under the product's
// Uninstall key, once; Uninstall puts it back. Goes through TheRegistry().
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/service_control.h"

namespace orvane {

// The task that starts Windows Time once a week to set the clock.
constexpr char kSynchronizeTimeTaskPath[] =
    "\\Microsoft\\Windows\\Time Synchronization\\SynchronizeTime";

// The record's values. The start type is written last: a record counts
// only when it is there.
constexpr char kRecordStartTypeValue[] = "Windows Time start type";
constexpr char kRecordTriggersValue[] = "Windows Time triggers";  // REG_BINARY
constexpr char kRecordTaskValue[] = "Windows Time task";
// "Windows Time task": no such task, enabled, disabled.
constexpr std::int32_t kRecordNoTask = 0;
constexpr std::int32_t kRecordTaskEnabled = 1;
constexpr std::int32_t kRecordTaskDisabled = 2;

// The manager's own bounds on a trigger list, and the record's size.
constexpr std::size_t kMaxTriggers = 64;
constexpr std::size_t kMaxTriggerDataItems = 64;
constexpr std::size_t kMaxTriggerDataBytes = 1024;
constexpr std::size_t kMaxTriggersRecordBytes = 65536;

struct WindowsTimeRecord {
    std::uint32_t start_type = kServiceAutoStart;
    std::vector<ServiceTrigger> triggers;
    TaskState task = TaskState::kMissing;
};

// The trigger list in the record's form, all numbers 32-bit little-endian:
// the count, then per trigger its type, action, a byte 1 or 0 for whether
// it has a subtype, the subtype's 16 bytes (zeros without one), the number
// of data items, and per item its type, its size and its bytes. False
// (and `bytes` untouched) for a list beyond the bounds above.
bool EncodeServiceTriggers(const std::vector<ServiceTrigger>& triggers,
                           std::vector<std::uint8_t>* bytes);

// The list back; false for anything that is not exactly one such list
// within the bounds, with known actions and data types.
bool DecodeServiceTriggers(const std::vector<std::uint8_t>& bytes,
                           std::vector<ServiceTrigger>* triggers);

// The record under `key_path` (machine hive); false when there is none or
// any part of it is out of its range.
bool ReadWindowsTimeRecord(const char* key_path, WindowsTimeRecord* record);

// Writes the record unless the key already holds one (its start type
// value). True when a record is there afterwards, either one.
bool KeepWindowsTimeRecordOnce(const char* key_path, const WindowsTimeRecord& record);

}  // namespace orvane
