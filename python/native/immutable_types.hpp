// The package's classes are immutable: made with Py_TPFLAGS_IMMUTABLETYPE,
// they refuse `jrl.Tag.__eq__ = ...` on CPython 3.10 and newer.
#pragma once

#include "python_ref.hpp"

// The flag's bit, for headers older than 3.10; older interpreters ignore it.
#ifndef Py_TPFLAGS_IMMUTABLETYPE
#define Py_TPFLAGS_IMMUTABLETYPE (1UL << 8)
#endif

namespace jrl_native {

// Sets the class attribute `name` of a type just made immutable, before it
// is handed out. Setting attributes is refused on such a type, and the
// limited API gives no other way to its namespace, so the value goes into
// the dict behind the read-only `type.__dict__`, which the collector names
// as the proxy's only referent. False with the error set.
bool set_class_attribute(PyObject* type, const char* name, PyObject* value);

}  // namespace jrl_native
