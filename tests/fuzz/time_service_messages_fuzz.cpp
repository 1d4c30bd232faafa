// Feeds arbitrary bytes to the time service's record decoders, as a client
// (or an impostor answering in the service's place) may send them. Besides
// the sanitizers, it checks that every record a decoder accepts encodes
// back to the very same bytes: a field the decoder let through unchecked
// would come back changed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "service/time_service_messages.h"

namespace {

using namespace orvane;

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "check failed: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    Request request;
    if (DecodeRequest(data, size, &request) == MessageFault::kNone)
        Check(EncodeRequest(request) == bytes, "an accepted request encodes back the same");
    Answer answer;
    if (DecodeAnswer(data, size, &answer) == MessageFault::kNone)
        Check(EncodeAnswer(answer) == bytes, "an accepted answer encodes back the same");
    return 0;
}
