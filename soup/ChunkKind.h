// The kinds of value a soup tag can hold.
#pragma once

#include <cstdint>

// The numbers are stored by other programs; value 5 is unused.
enum class ChunkKind : uint8_t {
    Null = 0,       // a tag without value
    Container = 1,  // ordered, named children
    Binary = 2,     // raw bytes
    Float = 3,      // one or more 32-bit IEEE floats
    Text = 4,       // the bytes of a string followed by a NUL
    Integer = 6,    // one or more signed 32-bit integers
    KUID = 7,       // 8 bytes: KUID::Pack
};
