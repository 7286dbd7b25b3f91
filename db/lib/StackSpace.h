// How much of the calling thread's stack is still free: recursive readers of outside input (the expression
// parser) refuse to go deeper when little is left, whatever size of stack the thread was given.
#pragma once

#include <cstddef>

namespace vorsam {

// Bytes between the caller's frame and the end of its thread's stack; a large number when the system does
// not tell where the stack ends.
size_t StackSpaceLeft();

} // namespace vorsam
