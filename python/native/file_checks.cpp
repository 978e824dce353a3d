#include "file_checks.hpp"

#include <string>
#include <string_view>
#include <vector>

#include "arguments.hpp"
#include "char_offsets.hpp"
#include "diagnostic_objects.hpp"
#include "jrl/jrl.hpp"
#include "model_objects.hpp"
#include "parse_error.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

PyObject* fix(PyObject*, PyObject* text) {
  Ref utf8(utf8_copy(text, "text"));
  if (!utf8) return nullptr;
  return guarded([&]() -> PyObject* {
    jrl::FixResult fixed;
    {
      ThreadsAllowed unlocked;
      fixed = jrl::fix(bytes_view(utf8.get()));
    }
    // Nothing to fix: the very str given.
    if (fixed.fixes == 0) return (Py_INCREF(text), text);
    return new_str(fixed.text);
  });
}

// check() of UTF-8 bytes, which may not be valid UTF-8 (a file as read),
// each report naming the file `path`.
PyObject* check_utf8(PyObject*, PyObject* args) {
  PyObject* data = nullptr;
  PyObject* warnings = nullptr;
  PyObject* path = nullptr;
  if (!PyArg_UnpackTuple(args, "check_utf8", 3, 3, &data, &warnings, &path)) {
    return nullptr;
  }
  const int want_warnings = PyObject_IsTrue(warnings);
  if (want_warnings < 0) return nullptr;
  if (!PyUnicode_Check(path)) {
    PyErr_SetString(PyExc_TypeError, "path must be a str");
    return nullptr;
  }
  std::string name;
  if (!path_text(path, name)) return nullptr;
  // Only an exact bytes object is known not to change while unlocked.
  Ref bytes(PyBytes_CheckExact(data) ? (Py_INCREF(data), data)
                                     : PyBytes_FromObject(data));
  if (!bytes) return nullptr;
  jrl::CheckOptions options;
  options.warnings = want_warnings != 0;
  return guarded([&]() -> PyObject* {
    return diagnostic_list(bytes_view(bytes.get()), options, name);
  });
}

}  // namespace

PyObject* diagnostic_list(std::string_view text,
                          const jrl::CheckOptions& options,
                          std::string_view name) {
  return checked_list(
      text, [&](std::string_view view) { return jrl::check(view, options); },
      name);
}

PyMethodDef file_check_methods[] = {
    {"fix", fix, METH_O,
     "fix(text, /)\n--\n\nA str with the fixes of its errors applied."},
    {"check_utf8", check_utf8, METH_VARARGS,
     "check_utf8(data, warnings, path, /)\n--\n\nEvery diagnostic of UTF-8 "
     "bytes, the reports naming path."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
