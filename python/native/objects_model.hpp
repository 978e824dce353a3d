// Records built by hand back to the library's query model: the model of a
// hand-built File, and what jrl.dumps writes.
#pragma once

#include <optional>

#include "jrl/jrl.hpp"
#include "python_ref.hpp"

namespace jrl_native {

// The model of `requirements`, a tuple of Requirement records, in an arena
// of its own. The records were checked when they were made, so the model
// is one a file can hold. Empty with the Python error set on failure.
std::optional<jrl::ParseResult> model_of_requirements(PyObject* requirements);

}  // namespace jrl_native
