// Writing a file in place of another only once it is whole. The new
// contents go to a temporary file beside the target ("<target>.saving"),
// which takes the target's name only after it was written completely: a
// full disk, a failed write or a crash on the way keeps the old file.
#pragma once

#include <functional>

// write fills the file at the path it is given and answers whether it wrote
// all of it. False when it did not, or when the finished file could not be
// put in place (reported); the temporary file is gone either way.
bool OmWriteReplacing(const char* path, const std::function<bool(const char* temporaryPath)>& write);
