// The JRL class: an immutable holder of one parsed requirements file.
#pragma once

#include <string_view>

#include "python_ref.hpp"

namespace pylibjrl {

// The JRL type, created on first use from its spec and cached for the life
// of the process. Null with InternalError set if it could not be created.
PyTypeObject* jrl_type();

// Parses `text` and returns a new instance of `type`, or null with the error
// set (ValueError for a text the core rejects). A failing parse allocates no
// instance.
PyObject* new_jrl(PyTypeObject* type, std::string_view text);

}  // namespace pylibjrl
