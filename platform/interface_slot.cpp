#include "platform/interface_slot.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace orvane {

namespace {

void ReportOnStandardError(const char* interface_name) {
    std::fprintf(stderr, "Fatal: no %s is installed in this program.\n", interface_name);
    std::fflush(stderr);
}

std::atomic<MissingInterfaceHandler> handler{&ReportOnStandardError};

}  // namespace

void ReportMissingInterface(const char* interface_name) {
    handler.load()(interface_name);
    std::abort();
}

void SetMissingInterfaceHandler(MissingInterfaceHandler new_handler) {
    handler.store(new_handler != nullptr ? new_handler : &ReportOnStandardError);
}

}  // namespace orvane
