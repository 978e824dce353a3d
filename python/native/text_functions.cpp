#include "text_functions.hpp"

#include <cstddef>
#include <expected>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.hpp"
#include "char_offsets.hpp"
#include "diagnostic_objects.hpp"
#include "jrl/jrl.hpp"
#include "model_objects.hpp"
#include "parse_error.hpp"
#include "records.hpp"
#include "shared_tuple.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

PyObject* check(PyObject*, PyObject* args) {
  PyObject* text = nullptr;
  PyObject* warnings = nullptr;
  if (!PyArg_UnpackTuple(args, "check", 2, 2, &text, &warnings)) {
    return nullptr;
  }
  const int want_warnings = PyObject_IsTrue(warnings);
  if (want_warnings < 0) return nullptr;
  Ref utf8(utf8_copy(text, "text"));
  if (!utf8) return nullptr;
  jrl::CheckOptions options;
  options.warnings = want_warnings != 0;
  return guarded([&] {
    return checked_list(bytes_view(utf8.get()),
                        [&](std::string_view view) { return jrl::check(view, options); });
  });
}

PyObject* format(PyObject*, PyObject* args) {
  PyObject* text = nullptr;
  PyObject* width_object = nullptr;
  if (!PyArg_UnpackTuple(args, "format", 2, 2, &text, &width_object)) {
    return nullptr;
  }
  jrl::FormatOptions options;
  // A width past any line is as good as the largest one.
  if (!count_argument(width_object, "width", 1, options.width)) return nullptr;
  Ref utf8(utf8_copy(text, "text"));
  if (!utf8) return nullptr;
  return guarded([&]() -> PyObject* {
    const std::string_view view = bytes_view(utf8.get());
    std::expected<std::string, jrl::Error> formatted;
    {
      ThreadsAllowed unlocked;
      formatted = jrl::format(view, options);
    }
    if (!formatted) {
      // format's error is that of the text after a byte-order mark.
      raise_parse_error(formatted.error(),
                        view.substr(jrl::byte_order_mark_length(view)),
                        Py_None);
      return nullptr;
    }
    return new_str(*formatted);
  });
}

PyObject* statement_spans(PyObject*, PyObject* text) {
  Ref utf8(utf8_copy(text, "text"));
  if (!utf8) return nullptr;
  return guarded([&]() -> PyObject* {
    const std::string_view view = bytes_view(utf8.get());
    std::vector<jrl::ByteSpan> spans;
    CharOffsets chars(view);
    {
      ThreadsAllowed unlocked;
      spans = jrl::statement_spans(view);
      for (const jrl::ByteSpan& s : spans) {
        chars.add(s.start);
        chars.add(s.end);
      }
      chars.count();
    }
    Ref list(PyList_New(static_cast<Py_ssize_t>(spans.size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < spans.size(); ++i) {
      PyObject* pair =
          Py_BuildValue("(NN)", small_int(chars.at(spans[i].start)),
                        small_int(chars.at(spans[i].end)));
      if (pair == nullptr) return nullptr;
      PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), pair);
    }
    return list.release();
  });
}

PyObject* departments(PyObject*, PyObject*) {
  static PyObject* codes = nullptr;
  return shared_tuple(
      codes, [] { return jrl::departments(); },
      [](std::string_view code) { return new_str(code); });
}

PyObject* diagnostic_codes(PyObject*, PyObject*) {
  static PyObject* codes = nullptr;
  return shared_tuple(
      codes, [] { return jrl::diagnostic_codes(); },
      [](const jrl::DiagnosticCode& c) {
        return make_record(
            Record::DiagnosticCode,
            {new_str(c.code), new_str(jrl::severity_name(c.severity)),
             new_str(c.name), new_str(c.title)});
      });
}

PyObject* closest_department(PyObject*, PyObject* code) {
  Ref utf8(utf8_copy(code, "code"));
  if (!utf8) return nullptr;
  return guarded([&]() -> PyObject* {
    const std::optional<std::string_view> closest =
        jrl::closest_department(bytes_view(utf8.get()));
    if (!closest) Py_RETURN_NONE;
    return new_str(*closest);
  });
}

}  // namespace

PyMethodDef text_function_methods[] = {
    {"check", check, METH_VARARGS,
     "check(text, warnings, /)\n--\n\nEvery diagnostic of a str."},
    {"format", format, METH_VARARGS,
     "format(text, width, /)\n--\n\nA str in canonical layout."},
    {"statement_spans", statement_spans, METH_O,
     "statement_spans(text, /)\n--\n\nThe top-level statements of a str."},
    {"departments", departments, METH_NOARGS,
     "departments()\n--\n\nEvery registered department code."},
    {"diagnostic_codes", diagnostic_codes, METH_NOARGS,
     "diagnostic_codes()\n--\n\nEvery code that check reports."},
    {"closest_department", closest_department, METH_O,
     "closest_department(code, /)\n--\n\nThe closest code a file can hold "
     "for an unknown one."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
