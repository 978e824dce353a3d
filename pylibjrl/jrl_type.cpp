#include "jrl_type.hpp"

#include <expected>
#include <new>
#include <string>
#include <utility>

#include "arguments.hpp"
#include "errors.hpp"
#include "jrl/jrl.hpp"

namespace pylibjrl {
namespace {

struct JrlObject {
  PyObject_HEAD
      // Constructed in place once the instance is allocated; destroyed in
      // dealloc. Never changed in between, so methods only read it.
      jrl::ParseResult result;
};

const jrl::ParseResult& held(PyObject* self) {
  return reinterpret_cast<JrlObject*>(self)->result;
}

PyObject* new_str(std::string_view text) {
  return PyUnicode_FromStringAndSize(text.data(),
                                     static_cast<Py_ssize_t>(text.size()));
}

// Returns the rendered text as a new str, or raises the core's error.
PyObject* rendered(const std::expected<std::string, jrl::Error>& text) {
  if (!text) {
    raise_error(text.error());
    return nullptr;
  }
  return new_str(*text);
}

PyObject* jrl_version(PyObject* self, PyObject*) {
  return guarded([&] { return new_str(held(self).parsed_jrl_file.version); });
}

PyObject* jrl_json(PyObject* self, PyObject*) {
  return guarded([&] { return rendered(held(self).to_string()); });
}

PyObject* jrl_json_pretty(PyObject* self, PyObject*) {
  return guarded([&] { return rendered(held(self).to_string_pretty()); });
}

PyObject* jrl_str(PyObject* self) {
  return guarded([&] { return new_str(held(self).to_debug_string()); });
}

PyObject* jrl_new(PyTypeObject* type, PyObject* args, PyObject* kwargs) {
  return guarded([&]() -> PyObject* {
    PyObject* value =
        bind_single_argument("JRL.__new__()", "value", args, kwargs);
    if (value == nullptr) return nullptr;
    Ref utf8 = utf8_copy(value, "value");
    if (!utf8) return nullptr;
    return new_jrl(type, bytes_view(utf8.get()));
  });
}

void jrl_dealloc(PyObject* self) {
  // Instances of a heap type own a reference to it.
  PyTypeObject* type = Py_TYPE(self);
  reinterpret_cast<JrlObject*>(self)->result.~ParseResult();
  auto free_slot = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
  free_slot(self);
  Py_DECREF(type);
}

PyMethodDef jrl_methods[] = {
    {"version", jrl_version, METH_NOARGS, "version($self)\n--\n\n"},
    {"json", jrl_json, METH_NOARGS, "json($self)\n--\n\n"},
    {"json_pretty", jrl_json_pretty, METH_NOARGS, "json_pretty($self)\n--\n\n"},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot jrl_slots[] = {
    {Py_tp_doc, const_cast<char*>("JRL(value)\n--\n\n")},
    {Py_tp_new, reinterpret_cast<void*>(jrl_new)},
    {Py_tp_str, reinterpret_cast<void*>(jrl_str)},
    {Py_tp_dealloc, reinterpret_cast<void*>(jrl_dealloc)},
    {Py_tp_methods, jrl_methods},
    {0, nullptr},
};

// Type attributes may not be set or deleted (`type(obj).json = None` would
// change every instance). The flag exists from CPython 3.10 on; the limited
// API of older headers does not name it.
constexpr unsigned long kImmutableTypeFlag = 1UL << 8;

// Reads the decimal number at `text` and moves past it.
int read_number(const char*& text) {
  int value = 0;
  while (*text >= '0' && *text <= '9') value = value * 10 + (*text++ - '0');
  return value;
}

// Whether the running interpreter (not the headers built against) knows the
// immutable-type flag: 3.10 or newer.
bool interpreter_has_immutable_types() {
  const char* version = Py_GetVersion();  // "3.13.0 (main, ..."
  const int major = read_number(version);
  if (*version == '.') ++version;
  const int minor = read_number(version);
  return major > 3 || (major == 3 && minor >= 10);
}

// No base-type flag (not subclassable); no dict or weak-reference slots.
PyType_Spec jrl_spec = {
    "builtins.JRL", static_cast<int>(sizeof(JrlObject)), 0, Py_TPFLAGS_DEFAULT,
    jrl_slots,
};

}  // namespace

PyTypeObject* jrl_type() {
  static PyObject* type = nullptr;
  if (type == nullptr) {
    if (interpreter_has_immutable_types()) {
      jrl_spec.flags |= static_cast<unsigned int>(kImmutableTypeFlag);
    }
    type = PyType_FromSpec(&jrl_spec);
    if (type == nullptr) {
      PyErr_WriteUnraisable(nullptr);
      raise_internal("An error occurred while initializing class JRL");
    }
  }
  return reinterpret_cast<PyTypeObject*>(type);
}

PyObject* new_jrl(PyTypeObject* type, std::string_view text) {
  std::expected<jrl::ParseResult, jrl::Error> result = jrl::parse(text);
  if (!result) {
    raise_error(result.error());
    return nullptr;
  }
  auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(type, Py_tp_alloc));
  PyObject* self = alloc(type, 0);
  if (self == nullptr) return nullptr;
  // Moving the model's vectors and strings does not throw.
  new (&reinterpret_cast<JrlObject*>(self)->result)
      jrl::ParseResult(std::move(*result));
  return self;
}

}  // namespace pylibjrl
