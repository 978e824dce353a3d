// Arguments of the module's functions as the core takes them.
#pragma once

#include <cstddef>

#include "python_ref.hpp"

namespace jrl_native {

// The UTF-8 copy of a str argument, which the core reads with the lock
// released; null with TypeError for anything else.
PyObject* utf8_copy(PyObject* text, const char* what);

// An int argument of at least `least` as a count of the core; an int past
// any count is the largest one. False with TypeError or ValueError set.
bool count_argument(PyObject* value, const char* what, std::size_t least,
                    std::size_t& count);

}  // namespace jrl_native
