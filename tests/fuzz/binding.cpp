// The script binding under random calls chosen by the input: any bound
// function or variable of any class, with awkward arguments. A Lua error is
// the expected answer to a bad call; a crash or a sanitizer report is a
// fault (see BindingFuzz.h).
#include "tests/fuzz/BindingFuzz.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzzinput::Quiet(); // bad calls are refused with a logged line each: millions of them
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const fuzzinput::NoPoolLeaks poolLeaks;
    bindingfuzz::Choices choices(data, size);
    bindingfuzz::Tally tally;
    bindingfuzz::Session(choices, tally).Run(256);
    return 0;
}
