// Texts in fixed-size char fields (the settings record, the last-update
// record, Windows structures): copied in cut to fit and always terminated,
// read back never past the field's end, and read from the registry with
// the field's size as the limit.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "platform/registry.h"

namespace orvane {

// Copies as much of the text as fits before the terminator it always
// writes; nothing for a field of no size.
inline void CopyToField(char* field, std::size_t capacity, const std::string& text) {
    if (capacity == 0)
        return;
    const std::size_t length = text.size() < capacity - 1 ? text.size() : capacity - 1;
    std::memcpy(field, text.data(), length);
    field[length] = '\0';
}
template <std::size_t N>
void CopyToField(char (&field)[N], const std::string& text) {
    CopyToField(field, N, text);
}

// The text up to the terminator, or the whole field when a writer left it
// without one.
inline std::string FieldText(const char* field, std::size_t capacity) {
    const void* end = std::memchr(field, '\0', capacity);
    return std::string(field, end == nullptr ? capacity : static_cast<const char*>(end) - field);
}
template <std::size_t N>
std::string FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

// Registry::ReadText into the field, at most `limit` bytes with the
// terminator (the whole field unless less is asked for); the field keeps
// its text on any failure. The registry's answer.
template <std::size_t N>
int ReadTextField(Registry& registry, RegistryKey key, const char* name, char (&field)[N],
                  int limit = static_cast<int>(N)) {
    const int capacity = static_cast<int>(N);
    return registry.ReadText(key, name, field, limit < capacity ? limit : capacity);
}

}  // namespace orvane
