#include "parse_error.hpp"

#include <cstddef>
#include <string>

#include "char_offsets.hpp"
#include "diagnostic_objects.hpp"
#include "jrl/diagnostics.hpp"
#include "model_objects.hpp"
#include "records.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {

PyObject* parse_error_class = nullptr;

namespace {

PyObject* int_or_none(bool present, std::size_t value) {
  if (!present) {
    Py_INCREF(Py_None);
    return Py_None;
  }
  return PyLong_FromSize_t(value);
}

bool put(PyObject* dict, const char* key, PyObject* value) {
  if (value == nullptr) return false;
  const int status = PyDict_SetItemString(dict, key, value);
  Py_DECREF(value);
  return status == 0;
}

}  // namespace

bool path_text(PyObject* path, std::string& text) {
  PyObject* encoded =
      PyUnicode_AsEncodedString(path, "utf-8", "surrogateescape");
  if (encoded == nullptr) {
    PyErr_Clear();
    encoded = PyUnicode_AsEncodedString(path, "utf-8", "backslashreplace");
  }
  Ref raw(encoded);
  if (!raw) return false;
  const std::string_view bytes = bytes_view(raw.get());
  Ref shown(PyUnicode_DecodeUTF8(bytes.data(),
                                 static_cast<Py_ssize_t>(bytes.size()),
                                 "backslashreplace"));
  if (!shown) return false;
  Ref utf8(PyUnicode_AsUTF8String(shown.get()));
  if (!utf8) return false;
  text = bytes_view(utf8.get());
  return true;
}

void raise_internal(std::string_view message) {
  pylibjrl::raise_with_text(PyExc_SystemError, message);
}

void raise_parse_error(const jrl::Error& error, std::string_view input,
                       PyObject* path) {
  std::string shown_path;
  if (path != Py_None && !path_text(path, shown_path)) return;
  const std::string report = error.render(shown_path);
  if (error.is_internal()) {
    raise_internal(report);
    return;
  }

  // The context messages, outermost first, down to the innermost error.
  Ref context(PyList_New(0));
  if (!context) return;
  const jrl::ErrorFrame* innermost = &error.innermost();
  for (const jrl::ErrorFrame& frame : error.frames()) {
    if (&frame == innermost) break;
    Ref text(new_str(frame.text()));
    if (!text || PyList_Append(context.get(), text.get()) < 0) return;
  }
  const jrl::ReportError* place = innermost->report();

  // The code and the fixes, which the library finds with one more look at
  // the failing statement: only now that the parse has failed.
  jrl::Diagnostic diagnostic;
  CharOffsets chars(input);
  {
    ThreadsAllowed unlocked;
    diagnostic = jrl::diagnose(input, error);
    add_offsets(diagnostic, chars);
    if (place != nullptr) chars.add(place->start());
    chars.count();
  }
  // The first lines `jrl check` prints for it: its code and message, and
  // where it is when the report does not say.
  std::string headline;
  if (!diagnostic.code.empty()) {
    headline = "error[" + diagnostic.code + "]: " + diagnostic.message;
    if (place == nullptr) {
      headline += "\n --> " + (shown_path.empty() ? "" : shown_path + ":") +
                  std::to_string(diagnostic.start.line) + ":" +
                  std::to_string(diagnostic.start.column);
    }
  }
  Ref code(diagnostic.code.empty() ? (Py_INCREF(Py_None), Py_None)
                                   : new_str(diagnostic.code));
  if (!code) return;
  const bool spanned = place != nullptr && place->end_line_col().has_value();

  Ref kwargs(PyDict_New());
  if (!kwargs) return;
  const bool ok =
      put(kwargs.get(), "message", new_str(innermost->text())) &&
      put(kwargs.get(), "line",
          int_or_none(place != nullptr,
                      place ? place->start_line_col().line : 0)) &&
      put(kwargs.get(), "column",
          int_or_none(place != nullptr,
                      place ? place->start_line_col().column : 0)) &&
      put(kwargs.get(), "end_line",
          int_or_none(spanned, spanned ? place->end_line_col()->line : 0)) &&
      put(kwargs.get(), "end_column",
          int_or_none(spanned, spanned ? place->end_line_col()->column : 0)) &&
      put(kwargs.get(), "offset",
          int_or_none(place != nullptr,
                      place ? chars.at(place->start()) : 0)) &&
      put(kwargs.get(), "context", PyList_AsTuple(context.get())) &&
      put(kwargs.get(), "code", code.release()) &&
      put(kwargs.get(), "suggestions",
          suggestion_objects(diagnostic.suggestions, chars)) &&
      put(kwargs.get(), "path", (Py_INCREF(path), path)) &&
      put(kwargs.get(), "headline", new_str(headline));
  if (!ok) return;
  Ref args(Py_BuildValue("(N)", new_str(report)));
  if (!args) return;
  Ref exception(PyObject_Call(parse_error_class, args.get(), kwargs.get()));
  if (!exception) return;
  PyErr_SetObject(parse_error_class, exception.get());
}

}  // namespace jrl_native
