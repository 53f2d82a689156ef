// Feeds arbitrary bytes to the dialogue string table as its file: reading
// must never crash, every lookup must be answered from the table's rows, no
// text may hold a tab (the field separator), and only the display text may
// hold a line feed (made from "^").
#include <cstdlib>

#include "game/framework/TsDialogStrings.h"
#include "tests/fuzz/FuzzInput.h"

namespace {

void CheckText(const char* text, bool lineFeeds)
{
    if (text && (std::strchr(text, '\t') || (!lineFeeds && std::strchr(text, '\n'))))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const fuzzinput::NoPoolLeaks poolLeaks;
    const std::string path = fuzzinput::WriteInput("dialog_strings", data, size);
    if (path.empty())
        return 0;
    TsDialogStrings strings(path.c_str());
    uint32_t found = 0;
    for (DialogStringId id = -2; id <= 1100; ++id) {
        const char* display = strings.GetString(id);
        CheckText(display, true);
        CheckText(strings.GetAudioFile(id), false);
        CheckText(strings.GetDiaryText(id), false);
        found += display != nullptr;
    }
    if (found > strings.GetRowCount())
        std::abort();
    return 0;
}
