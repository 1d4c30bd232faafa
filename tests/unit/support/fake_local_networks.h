// The machine's interfaces for unit tests: a list set by the test.
#pragma once

#include "platform/local_networks.h"

namespace orvane {

class FakeLocalNetworks : public LocalNetworks {
  public:
    int ListInterfaces(std::vector<LocalInterface>* out) override {
        *out = interfaces;
        return error;
    }

    std::vector<LocalInterface> interfaces;
    int error = 0;
};

}  // namespace orvane
