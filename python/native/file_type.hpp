// jrl.File: one parsed requirements file. It holds the native model and the
// UTF-8 text it came from; its Python objects are built on first use.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

using pylibjrl::Ref;

// Creates the File type and adds it to `module`; false with the error set.
bool add_file_type(PyObject* module);

// Parses `utf8` (a bytes object, kept by the File) with the global lock
// released. Returns a new File, or null with ParseError (or another error)
// set. `path` is a str or None.
PyObject* parse_to_file(PyObject* utf8, PyObject* path);

}  // namespace jrl_native
