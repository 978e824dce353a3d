#include "analysis_objects.hpp"

#include <cstddef>
#include <optional>
#include <string_view>
#include <utility>

#include "arguments.hpp"
#include "char_offsets.hpp"
#include "diagnostic_objects.hpp"
#include "file_type.hpp"
#include "jrl/analysis.hpp"
#include "model_objects.hpp"
#include "parse_error.hpp"
#include "records.hpp"
#include "shared_tuple.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

// CheckOptions::max_diagnostics from None (the library's default) or an int
// of at least 0; false with the error set for anything else.
bool read_max_diagnostics(PyObject* value, jrl::CheckOptions& options) {
  return value == Py_None || count_argument(value, "max_diagnostics", 0,
                                            options.max_diagnostics);
}

bool read_flag(PyObject* value, bool& flag) {
  const int truth = PyObject_IsTrue(value);
  if (truth < 0) return false;
  flag = truth != 0;
  return true;
}

// The Analysis of the UTF-8 text `utf8` (a bytes object, which its File
// keeps).
PyObject* analysis_object(PyObject* utf8, const jrl::CheckOptions& options) {
  const std::string_view view = bytes_view(utf8);
  jrl::Analysis analysis;
  CharOffsets chars(view);
  {
    ThreadsAllowed unlocked;
    analysis = jrl::analyse(view, options);
    for (const jrl::Diagnostic& d : analysis.diagnostics) add_offsets(d, chars);
    for (const jrl::AnalysedStatement& s : analysis.statements) {
      for (std::size_t at : {s.span.start, s.span.end, s.chunk.start,
                             s.chunk.end}) {
        chars.add(at);
      }
    }
    chars.count();
  }
  Ref diagnostics(diagnostic_objects(analysis.diagnostics, chars));
  if (!diagnostics) return nullptr;
  Ref file(analysed_file(utf8, std::move(analysis.parsed),
                         std::move(analysis.source_map)));
  if (!file) return nullptr;
  // The statements hold the File's own Requirement objects.
  Ref requirements(PyObject_GetAttrString(file.get(), "requirements"));
  if (!requirements) return nullptr;
  const Py_ssize_t built = PyTuple_Size(requirements.get());
  if (built < 0) return nullptr;
  Ref statements(tuple_of_entries(
      analysis.statements, [&](const jrl::AnalysedStatement& s) -> PyObject* {
        PyObject* requirement = Py_None;
        if (s.requirement && *s.requirement < static_cast<std::size_t>(built)) {
          requirement = PyTuple_GetItem(
              requirements.get(), static_cast<Py_ssize_t>(*s.requirement));
        }
        Py_INCREF(requirement);
        return make_record(
            Record::Statement,
            {span_object(s.place), small_int(chars.at(s.span.start)),
             small_int(chars.at(s.span.end)),
             Py_BuildValue("(NN)", small_int(chars.at(s.chunk.start)),
                           small_int(chars.at(s.chunk.end))),
             requirement});
      }));
  if (!statements) return nullptr;
  return make_record(Record::Analysis, {diagnostics.release(),
                                        statements.release(), file.release()});
}

PyObject* analyse(PyObject*, PyObject* args) {
  PyObject* text = nullptr;
  PyObject* warnings = nullptr;
  PyObject* suggestions = nullptr;
  PyObject* max_diagnostics = nullptr;
  if (!PyArg_UnpackTuple(args, "analyse", 4, 4, &text, &warnings, &suggestions,
                         &max_diagnostics)) {
    return nullptr;
  }
  jrl::CheckOptions options;
  if (!read_flag(warnings, options.warnings) ||
      !read_flag(suggestions, options.suggestions) ||
      !read_max_diagnostics(max_diagnostics, options)) {
    return nullptr;
  }
  // The copy the core reads, with the lock released, and the File keeps.
  Ref utf8(utf8_copy(text, "text"));
  if (!utf8) return nullptr;
  return guarded([&] { return analysis_object(utf8.get(), options); });
}

// What an analysed File pickles as: the File of the text analysed again.
PyObject* analysed_file_again(PyObject*, PyObject* data) {
  if (!PyBytes_CheckExact(data)) {
    PyErr_SetString(PyExc_TypeError, "data must be bytes");
    return nullptr;
  }
  return guarded([&]() -> PyObject* {
    jrl::CheckOptions options;
    options.warnings = false;
    options.suggestions = false;
    jrl::Analysis analysis;
    {
      ThreadsAllowed unlocked;
      analysis = jrl::analyse(bytes_view(data), options);
    }
    return analysed_file(data, std::move(analysis.parsed),
                         std::move(analysis.source_map));
  });
}

}  // namespace

PyMethodDef analysis_methods[] = {
    {"analyse", analyse, METH_VARARGS,
     "analyse(text, warnings, suggestions, max_diagnostics, /)\n--\n\n"
     "The diagnostics, statements and requirements of a str."},
    {"_analysed_file", analysed_file_again, METH_O,
     "_analysed_file(data, /)\n--\n\nThe File of analysing UTF-8 bytes."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
