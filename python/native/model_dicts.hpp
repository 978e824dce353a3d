// The JSON form of a parsed file as Python dicts, lists, strs, ints and
// bools, built straight from the model: equal to what json.loads gives for
// the file's JSON text.
#pragma once

#include "jrl/jrl.hpp"
#include "python_ref.hpp"

namespace jrl_native {

using pylibjrl::Ref;

// Makes the shared key strings; false with the error set on failure.
bool init_dict_keys();

// A new dict, or null with the error set.
PyObject* file_dict(const jrl::JRLQueryFile& file);

}  // namespace jrl_native
