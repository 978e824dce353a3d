#include "immutable_types.hpp"

namespace jrl_native {

using pylibjrl::Ref;

bool set_class_attribute(PyObject* type, const char* name, PyObject* value) {
  Ref proxy(PyObject_GetAttrString(type, "__dict__"));
  if (!proxy) return false;
  Ref gc(PyImport_ImportModule("gc"));
  if (!gc) return false;
  Ref referents(
      PyObject_CallMethod(gc.get(), "get_referents", "O", proxy.get()));
  if (!referents) return false;
  PyObject* namespace_ = PyList_Check(referents.get()) &&
                                 PyList_Size(referents.get()) == 1
                             ? PyList_GetItem(referents.get(), 0)
                             : nullptr;
  if (namespace_ == nullptr || !PyDict_CheckExact(namespace_)) {
    PyErr_Format(PyExc_SystemError, "cannot reach the namespace of %R", type);
    return false;
  }
  if (PyDict_SetItemString(namespace_, name, value) < 0) return false;
  PyType_Modified(reinterpret_cast<PyTypeObject*>(type));
  return true;
}

}  // namespace jrl_native
