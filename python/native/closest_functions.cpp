#include "closest_functions.hpp"

#include <expected>
#include <optional>
#include <string>
#include <vector>

#include "arguments.hpp"
#include "audit_functions.hpp"
#include "jrl/closest.hpp"
#include "jrl/jrl.hpp"
#include "model_objects.hpp"
#include "parse_error.hpp"
#include "records.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

using Standings = std::vector<jrl::ProgrammeStanding>;

// (rank, programme, title, satisfied, met, requirements, missing,
// report JSON).
PyObject* standing_tuple(const jrl::ProgrammeStanding& s) {
  return Py_BuildValue("(NNNNNNNN)", small_int(s.rank), new_str(s.report.programme),
                       new_str(s.title), PyBool_FromLong(s.report.satisfied ? 1 : 0),
                       small_int(s.met), small_int(s.requirements), small_int(s.missing),
                       new_str(jrl::to_json(s.report)));
}

// closest_record(programmes, record_json, file, (completed, in_progress,
// planned), time_limit_ms): the standings, closest first, as tuples.
PyObject* closest_record(PyObject*, PyObject* args) {
  PyObject* capsules = nullptr;
  PyObject* record = nullptr;
  PyObject* file = nullptr;
  int completed = 0, in_progress = 0, planned = 0;
  unsigned long long limit_ms = 0;
  if (!PyArg_ParseTuple(args, "O!OO(ppp)K:closest_record", &PyTuple_Type, &capsules, &record,
                        &file, &completed, &in_progress, &planned, &limit_ms)) {
    return nullptr;
  }
  Ref record_utf8(utf8_copy(record, "record"));
  Ref file_utf8(record_utf8 ? utf8_copy(file, "file") : nullptr);
  if (!file_utf8) return nullptr;
  return guarded([&]() -> PyObject* {
    std::vector<jrl::AuditProgramme> programmes;
    const Py_ssize_t count = PyTuple_Size(capsules);
    for (Py_ssize_t i = 0; i < count; ++i) {
      auto* programme = static_cast<jrl::AuditProgramme*>(
          PyCapsule_GetPointer(PyTuple_GetItem(capsules, i), PROGRAMME_CAPSULE));
      if (programme == nullptr) return nullptr;
      programmes.push_back(*programme);  // shares the prepared data
    }
    const jrl::AuditOptions options = audit_options(completed, in_progress, planned, limit_ms);
    std::optional<std::expected<Standings, jrl::RecordError>> out;
    {
      ThreadsAllowed unlocked;
      auto parsed = jrl::parse_record(bytes_view(record_utf8.get()), bytes_view(file_utf8.get()));
      if (!parsed) {
        out.emplace(std::unexpected(std::move(parsed.error())));
      } else {
        out.emplace(jrl::rank_programmes(programmes, *parsed, options));
        if (!*out) out->error().file = std::string(bytes_view(file_utf8.get()));
      }
    }
    if (!*out) return raise_record_error(out->error());
    Ref list(PyList_New(static_cast<Py_ssize_t>((*out)->size())));
    if (!list) return nullptr;
    for (std::size_t i = 0; i < (*out)->size(); ++i) {
      PyObject* item = standing_tuple((**out)[i]);
      if (item == nullptr) return nullptr;
      PyList_SetItem(list.get(), static_cast<Py_ssize_t>(i), item);
    }
    return list.release();
  });
}

}  // namespace

PyMethodDef closest_methods[] = {
    {"closest_record", closest_record, METH_VARARGS,
     "closest_record(programmes, record, file, statuses, time_limit_ms, /)\n--\n\nOne "
     "record's standing in each prepared programme, closest first."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
