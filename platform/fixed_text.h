// Texts in fixed-size char fields (the settings record, the last-update
// record, Windows structures): copied in cut to fit and always terminated,
// never cut inside a character, read back never past the field's end, and
// read from the registry with a limit the registry counts in UTF-16 units.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "platform/registry.h"
#include "platform/unicode_text.h"

namespace orvane {

// How many of the first `max_bytes` bytes of a UTF-8 text can be kept
// without ending inside a character: a cut that would fall before a
// continuation byte backs off to that character's first byte (at most
// three bytes, so a run of stray continuation bytes is not eaten whole).
inline std::size_t Utf8CutLength(const char* text, std::size_t length, std::size_t max_bytes) {
    if (length <= max_bytes)
        return length;
    std::size_t cut = max_bytes;
    for (int back = 0; back < 3 && cut > 0 &&
                       (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80;
         ++back) {
        --cut;
    }
    // Not a character's first byte after all: stray bytes, cut where asked.
    if ((static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        return max_bytes;
    return cut;
}

// Copies as much of the text as fits before the terminator it always
// writes, ending on a whole character; nothing for a field of no size.
inline void CopyToField(char* field, std::size_t capacity, const std::string& text) {
    if (capacity == 0)
        return;
    const std::size_t length = Utf8CutLength(text.data(), text.size(), capacity - 1);
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

// A text field whose limit is `Units` UTF-16 units with the terminator,
// as Windows counts (MAX_PATH, LF_FACESIZE, ...), kept as UTF-8: one unit
// takes at most three bytes, so any text within the limit fits. It reads
// as the char array it holds.
template <std::size_t Units>
struct TextField {
    static_assert(Units > 0, "room for the terminator");
    static constexpr std::size_t kUnits = Units;
    char bytes[3 * (Units - 1) + 1];

    operator char*() { return bytes; }
    operator const char*() const { return bytes; }
};

// Cut to the field's limit in units, then (never needed for valid UTF-8)
// to its bytes.
template <std::size_t Units>
void CopyToField(TextField<Units>& field, const std::string& text) {
    CopyToField(field.bytes, CutToUtf16Units(text, Units - 1));
}
template <std::size_t Units>
std::string FieldText(const TextField<Units>& field) {
    return FieldText(field.bytes);
}

// Registry::ReadText into the field, at most `limit_units` UTF-16 units
// with the terminator; the field keeps its text on any failure, including
// a text whose UTF-8 would not fit its bytes (234). The registry's answer.
inline int ReadTextField(Registry& registry, RegistryKey key, const char* name, char* field,
                         std::size_t capacity, int limit_units) {
    std::string text;
    const int result = registry.ReadText(key, name, limit_units, &text);
    if (result != kErrorSuccess)
        return result;
    if (text.size() >= capacity)
        return kErrorMoreData;
    CopyToField(field, capacity, text);
    return kErrorSuccess;
}
// A plain buffer (ASCII texts such as an address): as many units as bytes
// unless less is asked for.
template <std::size_t N>
int ReadTextField(Registry& registry, RegistryKey key, const char* name, char (&field)[N],
                  int limit_units = static_cast<int>(N)) {
    const int capacity = static_cast<int>(N);
    return ReadTextField(registry, key, name, field, N,
                         limit_units < capacity ? limit_units : capacity);
}
template <std::size_t Units>
int ReadTextField(Registry& registry, RegistryKey key, const char* name, TextField<Units>& field,
                  int limit_units = static_cast<int>(Units)) {
    const int units = static_cast<int>(Units);
    return ReadTextField(registry, key, name, field.bytes, sizeof field.bytes,
                         limit_units < units ? limit_units : units);
}

}  // namespace orvane
