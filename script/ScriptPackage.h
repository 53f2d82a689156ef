#pragma once

// The layout of the package: the usertypes and, in registration order, the
// class tables, global functions and global constants.

#include <cstddef>

namespace script {

// Number of names the package publishes as globals: class tables, global
// functions and global constants.
constexpr std::size_t kPackageGlobalCount = 385;

// Calls visit with every global name of the package, in registration order,
// whether or not its function is registered yet.
void ForEachPackageGlobal(void (*visit)(const char* name, void* context), void* context);

} // namespace script
