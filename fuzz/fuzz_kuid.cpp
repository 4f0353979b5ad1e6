// Fuzzes KUID parsing in both modes and checks the invariants that tie parsing to the text and binary forms.
#include "core/KUID.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string_view text(reinterpret_cast<const char*>(data), size);
    KUID strict = KUID::Parse(text, true);
    KUID lenient = KUID::Parse(text, false);

    // Whatever a parse keeps is valid, and strict mode only ever narrows lenient mode.
    if (!strict.IsNull() && (!strict.IsValid() || lenient != strict))
        abort();
    if (!lenient.IsNull() && !lenient.IsValid())
        abort();

    // The tag text of a parsed KUID reads back as the same KUID.
    if (KUID::Parse(lenient.ToTagText(), false) != lenient)
        abort();
    // Both binary forms keep every user number of 25 bits.
    if (lenient.userId >= -16777216 && lenient.userId <= 16777215) {
        if (KUID::Unpack(lenient.Pack()) != lenient || KUID::FromStreamBytes(lenient.ToStreamBytes()) != lenient)
            abort();
    }
    return 0;
}
