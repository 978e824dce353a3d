// jrl.File: one parsed requirements file. It holds the native model and the
// UTF-8 text it came from; its Python objects are built on first use.
#pragma once

#include "jrl/parse.hpp"
#include "jrl/source_map.hpp"
#include "python_ref.hpp"

namespace jrl_native {

using pylibjrl::Ref;

// Creates the File type and adds it to `module`; false with the error set.
bool add_file_type(PyObject* module);

// Parses `utf8` (a bytes object, kept by the File) with the global lock
// released. Returns a new File, or null with ParseError (or another error)
// set. `path` is a str or None.
PyObject* parse_to_file(PyObject* utf8, PyObject* path);

// A File of the requirements analyse() built from `utf8` (a bytes object,
// kept by the File), `map` giving where they stand in it. Its path is None,
// and it pickles as its text, which loading analyses again. A new
// reference, null with the error set.
PyObject* analysed_file(PyObject* utf8, jrl::ParseResult&& result,
                        jrl::SourceMap&& map);

}  // namespace jrl_native
