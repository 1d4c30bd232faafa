// Feeds arbitrary bytes to the time service's record decoders, as a client
// (or an impostor answering in the service's place) may send them. Besides
// the sanitizers, it checks that every record a decoder accepts encodes
// back to the very same bytes: a field the decoder let through unchecked
// would come back changed.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz_check.h"
#include "service/time_service_messages.h"

using namespace orvane;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> bytes(data, data + size);
    Request request;
    if (DecodeRequest(data, size, &request) == MessageFault::kNone)
        FUZZ_CHECK(EncodeRequest(request) == bytes);
    Answer answer;
    if (DecodeAnswer(data, size, &answer) == MessageFault::kNone)
        FUZZ_CHECK(EncodeAnswer(answer) == bytes);
    return 0;
}
