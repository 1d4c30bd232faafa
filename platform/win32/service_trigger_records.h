// The start-trigger records of SERVICE_CONFIG_TRIGGER_INFO as Microsoft's
// winsvc.h declares them (Windows 7 and later), which mingw-w64's header
// leaves out: SERVICE_TRIGGER_SPECIFIC_DATA_ITEM, SERVICE_TRIGGER and
// SERVICE_TRIGGER_INFO, natural alignment. The sizes and offsets below are
// those of the SDK's records on either pointer width.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstddef>

namespace orvane {
namespace trigger_records {

struct TriggerDataItem {  // SERVICE_TRIGGER_SPECIFIC_DATA_ITEM
    DWORD dwDataType;
    DWORD cbData;  // at most 1024
    BYTE* pData;
};

struct Trigger {  // SERVICE_TRIGGER
    DWORD dwTriggerType;
    DWORD dwAction;
    GUID* pTriggerSubtype;
    DWORD cDataItems;
    TriggerDataItem* pDataItems;
};

struct TriggerInfo {  // SERVICE_TRIGGER_INFO
    DWORD cTriggers;  // at most 64
    Trigger* pTriggers;
    BYTE* pReserved;  // must be null
};

#ifdef _WIN64
static_assert(sizeof(TriggerDataItem) == 16 && offsetof(TriggerDataItem, pData) == 8,
              "SERVICE_TRIGGER_SPECIFIC_DATA_ITEM");
static_assert(sizeof(Trigger) == 32 && offsetof(Trigger, pTriggerSubtype) == 8 &&
                  offsetof(Trigger, cDataItems) == 16 && offsetof(Trigger, pDataItems) == 24,
              "SERVICE_TRIGGER");
static_assert(sizeof(TriggerInfo) == 24 && offsetof(TriggerInfo, pTriggers) == 8 &&
                  offsetof(TriggerInfo, pReserved) == 16,
              "SERVICE_TRIGGER_INFO");
#else
static_assert(sizeof(TriggerDataItem) == 12 && offsetof(TriggerDataItem, pData) == 8,
              "SERVICE_TRIGGER_SPECIFIC_DATA_ITEM");
static_assert(sizeof(Trigger) == 20 && offsetof(Trigger, pTriggerSubtype) == 8 &&
                  offsetof(Trigger, cDataItems) == 12 && offsetof(Trigger, pDataItems) == 16,
              "SERVICE_TRIGGER");
static_assert(sizeof(TriggerInfo) == 12 && offsetof(TriggerInfo, pTriggers) == 4 &&
                  offsetof(TriggerInfo, pReserved) == 8,
              "SERVICE_TRIGGER_INFO");
#endif
static_assert(sizeof(GUID) == 16, "GUID");

}  // namespace trigger_records
}  // namespace orvane
