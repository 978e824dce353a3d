#include "audit_functions.hpp"

#include <chrono>
#include <expected>
#include <optional>
#include <string>

#include "arguments.hpp"
#include "jrl/jrl.hpp"
#include "model_objects.hpp"
#include "parse_error.hpp"
#include "records.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

constexpr const char* CATALOGUE_CAPSULE = "jrl._native.Catalogue";

void free_programme(PyObject* capsule) {
  delete static_cast<jrl::AuditProgramme*>(PyCapsule_GetPointer(capsule, PROGRAMME_CAPSULE));
}

// audit_prepare(text, name, catalogue): the programme prepared once for
// many audits; ParseError when the text does not parse.
PyObject* audit_prepare(PyObject*, PyObject* args) {
  PyObject* text = nullptr;
  PyObject* name = nullptr;
  PyObject* capsule = nullptr;
  if (!PyArg_UnpackTuple(args, "audit_prepare", 3, 3, &text, &name, &capsule)) return nullptr;
  Ref text_utf8(utf8_copy(text, "text"));
  Ref name_utf8(text_utf8 ? utf8_copy(name, "name") : nullptr);
  if (!name_utf8) return nullptr;
  auto* catalogue = static_cast<jrl::Catalogue*>(PyCapsule_GetPointer(capsule, CATALOGUE_CAPSULE));
  if (catalogue == nullptr) return nullptr;
  return guarded([&]() -> PyObject* {
    const std::string_view source = bytes_view(text_utf8.get());
    std::optional<std::expected<jrl::AuditProgramme, std::string>> prepared;
    {
      ThreadsAllowed unlocked;
      prepared.emplace(jrl::AuditProgramme::prepare(source, bytes_view(name_utf8.get()), *catalogue));
    }
    if (!*prepared) {
      auto parsed = jrl::parse(source);
      if (!parsed) {
        raise_parse_error(parsed.error(), source, name);
      } else {
        raise_internal(prepared->error());
      }
      return nullptr;
    }
    return PyCapsule_New(new jrl::AuditProgramme(std::move(**prepared)), PROGRAMME_CAPSULE,
                         free_programme);
  });
}

// audit_record(programme, record_json, file, (completed, in_progress,
// planned), time_limit_ms[, line]): the report's JSON line. `line`, the
// record's line in a JSON Lines file, is named in its errors.
PyObject* audit_record(PyObject*, PyObject* args) {
  PyObject* capsule = nullptr;
  PyObject* record = nullptr;
  PyObject* file = nullptr;
  int completed = 0, in_progress = 0, planned = 0;
  unsigned long long limit_ms = 0;
  PyObject* line_object = Py_None;
  if (!PyArg_ParseTuple(args, "OOO(ppp)K|O:audit_record", &capsule, &record, &file, &completed,
                        &in_progress, &planned, &limit_ms, &line_object)) {
    return nullptr;
  }
  std::optional<std::size_t> line;
  if (line_object != Py_None) {
    line = PyLong_AsSize_t(line_object);
    if (PyErr_Occurred()) return nullptr;
  }
  auto* programme =
      static_cast<jrl::AuditProgramme*>(PyCapsule_GetPointer(capsule, PROGRAMME_CAPSULE));
  if (programme == nullptr) return nullptr;
  Ref record_utf8(utf8_copy(record, "record"));
  Ref file_utf8(record_utf8 ? utf8_copy(file, "file") : nullptr);
  if (!file_utf8) return nullptr;
  return guarded([&]() -> PyObject* {
    const jrl::AuditOptions options = audit_options(completed, in_progress, planned, limit_ms);
    std::optional<std::expected<std::string, jrl::RecordError>> out;
    {
      ThreadsAllowed unlocked;
      auto parsed =
          jrl::parse_record(bytes_view(record_utf8.get()), bytes_view(file_utf8.get()), line);
      if (!parsed) {
        out.emplace(std::unexpected(std::move(parsed.error())));
      } else if (auto report = jrl::audit(*programme, *parsed, options)) {
        out.emplace(jrl::to_json(*report));
      } else {
        jrl::RecordError e = std::move(report.error());
        e.file = std::string(bytes_view(file_utf8.get()));
        if (!e.line) e.line = line;
        out.emplace(std::unexpected(std::move(e)));
      }
    }
    if (!*out) return raise_record_error(out->error());
    return new_str(**out);
  });
}

}  // namespace

jrl::AuditOptions audit_options(int completed, int in_progress, int planned,
                                unsigned long long limit_ms) {
  jrl::AuditOptions options;
  options.completed = completed != 0;
  options.in_progress = in_progress != 0;
  options.planned = planned != 0;
  options.time_limit = std::chrono::milliseconds(limit_ms);
  return options;
}

PyObject* raise_record_error(const jrl::RecordError& e) {
  PyObject* line = e.line ? small_int(*e.line) : (Py_INCREF(Py_None), Py_None);
  Ref args(Py_BuildValue("(NNNNNN)", new_str(e.message()), new_str(e.file), line,
                         new_str(e.student), new_str(e.field), new_str(e.reason)));
  if (args) PyErr_SetObject(PyExc_ValueError, args.get());
  return nullptr;
}

PyMethodDef audit_methods[] = {
    {"audit_prepare", audit_prepare, METH_VARARGS,
     "audit_prepare(text, name, catalogue, /)\n--\n\nA requirements file prepared for "
     "auditing against a catalogue."},
    {"audit_record", audit_record, METH_VARARGS,
     "audit_record(programme, record, file, statuses, time_limit_ms, line=None, /)\n--\n\nThe audit "
     "report of one record (JSON text), as one line of JSON."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
