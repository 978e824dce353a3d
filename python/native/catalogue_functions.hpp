// The package's catalogue functions: loading a catalogue and the courses a
// requirement selects from it.
#pragma once

#include "jrl/catalogue.hpp"
#include "python_ref.hpp"

namespace jrl_native {

// Their entries for the module's method table, ended by a null entry.
extern PyMethodDef catalogue_methods[];

// The catalogue a handle of catalogue_load holds; null with an error set
// when `handle` is not one.
const jrl::Catalogue* catalogue_of(PyObject* handle);

}  // namespace jrl_native
