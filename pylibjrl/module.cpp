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

}  // namespace
}  // namespace pylibjrl

// The type is cached process-wide, so the module is initialised once per
// process: a second initialisation (a re-import after removal from
// sys.modules, or a sub-interpreter) fails.
PyMODINIT_FUNC PyInit_pylibjrl(void) {
  static PyObject* initialized = nullptr;
  if (initialized != nullptr) {
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
