// Fuzz target: loading a scrambled script file (.gse) and unscrambling its text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "soup/ScriptFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ScriptFile script;
    if (!script.LoadScrambledBytes({data, size})) return 0;
    std::span<const uint8_t> text;
    if (script.GetText(text)) {
        // A text that unscrambled must scramble and unscramble back to itself.
        const std::vector<uint8_t> plain(text.begin(), text.end());
        ScriptFile again;
        again.SetText(plain);
        std::span<const uint8_t> back;
        if (!again.Scramble() || !again.Unscramble() || !again.GetText(back) ||
            !std::equal(back.begin(), back.end(), plain.begin(), plain.end()))
            std::abort();
    }
    return 0;
}
