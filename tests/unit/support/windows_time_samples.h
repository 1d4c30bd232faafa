// Start triggers shaped like Windows Time's own, for the hand-over tests.
#pragma once

#include <vector>

#include "platform/service_control.h"

namespace orvane {

// Start on joining a domain: a subtype, no data.
inline ServiceTrigger DomainJoinTrigger() {
    ServiceTrigger trigger;
    trigger.type = 3;
    trigger.action = 1;
    trigger.has_subtype = true;
    trigger.subtype = {0xc5, 0x6d, 0xdc, 0x1c, 0x0b, 0x6a, 0x90, 0x4c,
                       0x82, 0x1f, 0x46, 0x87, 0x36, 0x45, 0x1f, 0xd2};
    return trigger;
}

// Stop on a custom event, with binary and UTF-16 data.
inline ServiceTrigger CustomStopTrigger() {
    ServiceTrigger trigger;
    trigger.type = 20;
    trigger.action = 2;
    trigger.has_subtype = true;
    trigger.subtype = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    trigger.data = {{1, {0x00, 0xff, 0x7f}}, {2, {'a', 0, 0, 0}}};
    return trigger;
}

// A trigger without a subtype and one empty data item.
inline ServiceTrigger BareTrigger() {
    ServiceTrigger trigger;
    trigger.type = 2;
    trigger.action = 1;
    trigger.data = {{3, {}}};
    return trigger;
}

}  // namespace orvane
