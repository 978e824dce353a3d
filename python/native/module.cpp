// jrl._native: the native part of the `jrl` package. It parses with the
// library and holds the result; the package's Python modules give it its
// public face.
#include <string>

#include "jrl/version.hpp"

#include "analysis_objects.hpp"
#include "arguments.hpp"
#include "audit_functions.hpp"
#include "closest_functions.hpp"
#include "audit_page.hpp"
#include "catalogue_functions.hpp"
#include "file_checks.hpp"
#include "describe_functions.hpp"
#include "file_type.hpp"
#include "model_dicts.hpp"
#include "model_objects.hpp"
#include "model_text.hpp"
#include "parse_error.hpp"
#include "records.hpp"
#include "text_functions.hpp"

namespace jrl_native {
namespace {

bool check_path(PyObject* path) {
  if (path == Py_None || PyUnicode_Check(path)) return true;
  PyErr_SetString(PyExc_TypeError, "path must be a str or None");
  return false;
}

PyObject* parse(PyObject*, PyObject* args) {
  PyObject* text = nullptr;
  PyObject* path = nullptr;
  if (!PyArg_UnpackTuple(args, "parse", 2, 2, &text, &path)) return nullptr;
  // The copy the core reads, with the lock released, and the File keeps.
  Ref utf8(utf8_copy(text, "text"));
  if (!utf8 || !check_path(path)) return nullptr;
  return parse_to_file(utf8.get(), path);
}

PyObject* parse_utf8(PyObject*, PyObject* args) {
  PyObject* data = nullptr;
  PyObject* path = nullptr;
  if (!PyArg_UnpackTuple(args, "parse_utf8", 2, 2, &data, &path)) {
    return nullptr;
  }
  if (!check_path(path)) return nullptr;
  // Only an exact bytes object is known not to change while unlocked.
  Ref utf8(PyBytes_CheckExact(data) ? (Py_INCREF(data), data)
                                    : PyBytes_FromObject(data));
  if (!utf8) return nullptr;
  return parse_to_file(utf8.get(), path);
}

PyMethodDef module_methods[] = {
    {"parse", parse, METH_VARARGS,
     "parse(text, path, /)\n--\n\nParses a str; path is a str or None."},
    {"parse_utf8", parse_utf8, METH_VARARGS,
     "parse_utf8(data, path, /)\n--\n\nParses UTF-8 bytes; path is a str or "
     "None."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef module_def = {
    PyModuleDef_HEAD_INIT,
    "jrl._native",
    "The native part of the jrl package; use jrl instead.",
    0,
    module_methods,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

// The Python side's Kind members and ParseError class.
bool import_python_parts() {
  Ref kind_module(PyImport_ImportModule("jrl._kind"));
  if (!kind_module) return false;
  Ref kind(PyObject_GetAttrString(kind_module.get(), "Kind"));
  if (!kind) return false;
  kind_members.select = PyObject_GetAttrString(kind.get(), "SELECT");
  kind_members.limit = PyObject_GetAttrString(kind.get(), "LIMIT");
  if (kind_members.select == nullptr || kind_members.limit == nullptr) {
    return false;
  }
  Ref error_module(PyImport_ImportModule("jrl._error"));
  if (!error_module) return false;
  parse_error_class = PyObject_GetAttrString(error_module.get(), "ParseError");
  return parse_error_class != nullptr;
}

PyObject* create_module() {
  Ref module(PyModule_Create(&module_def));
  if (!module) return nullptr;
  if (PyModule_AddFunctions(module.get(), text_function_methods) < 0 ||
      PyModule_AddFunctions(module.get(), model_methods) < 0 ||
      PyModule_AddFunctions(module.get(), analysis_methods) < 0 ||
      PyModule_AddFunctions(module.get(), catalogue_methods) < 0 ||
      PyModule_AddFunctions(module.get(), file_check_methods) < 0 ||
      PyModule_AddFunctions(module.get(), describe_methods) < 0 ||
      PyModule_AddFunctions(module.get(), audit_methods) < 0 ||
      PyModule_AddFunctions(module.get(), closest_methods) < 0 ||
      PyModule_AddFunctions(module.get(), audit_page_methods) < 0 ||
      !import_python_parts() || !init_dict_keys() ||
      !add_record_types(module.get()) || !add_file_type(module.get()) ||
      PyModule_AddStringConstant(module.get(), "VERSION",
                                 std::string(jrl::VERSION).c_str()) < 0) {
    return nullptr;
  }
  return module.release();
}

}  // namespace
}  // namespace jrl_native

// The types and the objects the module keeps are process-wide, so the
// module is initialised once per process, and only by the main interpreter:
// objects of one interpreter must not reach another. A sub-interpreter is
// refused before anything is made, so the main one can still import it.
PyMODINIT_FUNC PyInit__native(void) {
  if (PyInterpreterState_GetID(PyInterpreterState_Get()) != 0) {
    PyErr_SetString(PyExc_ImportError,
                    "jrl._native can only be imported in the main "
                    "interpreter, not in a sub-interpreter");
    return nullptr;
  }
  static PyObject* initialized = nullptr;
  if (initialized != nullptr) {
    PyErr_SetString(PyExc_ImportError,
                    "jrl._native may only be initialized once per interpreter "
                    "process");
    return nullptr;
  }
  PyObject* module = jrl_native::guarded(jrl_native::create_module);
  if (module == nullptr) return nullptr;
  Py_INCREF(module);
  initialized = module;
  return module;
}
