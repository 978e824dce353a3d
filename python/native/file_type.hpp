// jrl.File: one requirements file. A parsed File holds the native model and
// the UTF-8 text it came from, and builds its Python objects on first use;
// one built from requirements holds them and the model made of them.
#pragma once

#include "jrl/jrl.hpp"
#include "python_ref.hpp"

namespace jrl_native {

using pylibjrl::Ref;

// Creates the File type and adds it to `module`; false with the error set.
bool add_file_type(PyObject* module);

// Parses `utf8` (a bytes object, kept by the File) with the global lock
// released. Returns a new File, or null with ParseError (or another error)
// set. `path` is a str or None.
PyObject* parse_to_file(PyObject* utf8, PyObject* path);

// The model a File holds, or null when `object` is no File.
const jrl::ParseResult* file_model(PyObject* object);
// A File of the requirements analyse() built from `utf8` (a bytes object,
// kept by the File), `map` giving where they stand in it. Its path is None,
// and it pickles as its text, which loading analyses again. A new
// reference, null with the error set.
PyObject* analysed_file(PyObject* utf8, jrl::ParseResult&& result,
                        jrl::SourceMap&& map);

}  // namespace jrl_native
