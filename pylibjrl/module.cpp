// The pylibjrl extension module: `parse(jrl)` and, reached through its
// results, the JRL class.
#include "arguments.hpp"
#include "errors.hpp"
#include "jrl_type.hpp"
#include "python_ref.hpp"

namespace pylibjrl {
namespace {

PyObject* parse(PyObject*, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    PyObject* value = bind_single_argument("parse()", "jrl", args, kwargs);
    if (value == nullptr) return nullptr;
    Ref utf8 = utf8_copy(value, "jrl");
    if (!utf8) return nullptr;
    PyTypeObject* type = jrl_type();
    if (type == nullptr) return nullptr;
    return new_jrl(type, bytes_view(utf8.get()));
  });
}

PyMethodDef module_methods[] = {
    {"parse",
     reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(parse)),
     METH_VARARGS | METH_KEYWORDS, "parse(jrl)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

// m_size 0 rather than -1: a re-import then runs the init function again,
// which refuses, instead of silently copying the first module's dict.
PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "pylibjrl",
    "",
    0,
    module_methods,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

PyObject* create_module() {
  Ref module(PyModule_Create(&module_def));
  if (!module) return nullptr;
  Ref all(Py_BuildValue("[s]", "parse"));
  if (!all) return nullptr;
  if (PyModule_AddObject(module.get(), "__all__", all.get()) < 0) {
    return nullptr;
  }
  all.release();  // PyModule_AddObject stole it
  return module.release();
}

// Whether the import system took `module` in: it then gave it a spec. A
// module made for an import that was refused afterwards still has none.
bool adopted(PyObject* module) {
  Ref spec(PyObject_GetAttrString(module, "__spec__"));
  if (!spec) {
    PyErr_Clear();
    return false;
  }
  return spec.get() != Py_None;
}

}  // namespace
}  // namespace pylibjrl

// The module's objects (its type above all) belong to the interpreter that
// made them, so the module is made once per process and only for the main
// interpreter; a second initialisation (a re-import after removal from
// sys.modules) fails. A refused import must not use up that one
// initialisation: a sub-interpreter is refused before anything is made, and
// a module made for an import that the interpreter then refused (CPython
// 3.13 runs the init function of a sub-interpreter's import in the main
// interpreter, then refuses the module) is handed to the next import.
PyMODINIT_FUNC PyInit_pylibjrl(void) {
  static PyObject* initialized = nullptr;
  if (PyInterpreterState_GetID(PyInterpreterState_Get()) != 0) {
    PyErr_SetString(PyExc_ImportError,
                    "pylibjrl does not support sub-interpreters");
    return nullptr;
  }
  if (initialized != nullptr) {
    if (!pylibjrl::adopted(initialized)) {
      Py_INCREF(initialized);
      return initialized;
    }
    PyErr_SetString(PyExc_ImportError,
                    "pylibjrl may only be initialized once per interpreter "
                    "process");
    return nullptr;
  }
  PyObject* module = pylibjrl::create_module();
  if (module == nullptr) return nullptr;
  Py_INCREF(module);
  initialized = module;
  return module;
}
