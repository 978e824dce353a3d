#include "audit_page.hpp"

#include <string>

#include "arguments.hpp"
#include "catalogue_functions.hpp"
#include "jrl/audit_html.hpp"
#include "jrl/audit_read.hpp"
#include "model_objects.hpp"
#include "parse_error.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

// audit_html(report_json, catalogue, title, /): the page of the report
// to_json wrote; `catalogue` a handle of catalogue_load or None, `title`
// the programme's title or "" for its name. ValueError when the text is
// not such a report.
PyObject* audit_html(PyObject*, PyObject* args) {
  PyObject* report = nullptr;
  PyObject* handle = nullptr;
  PyObject* title = nullptr;
  if (!PyArg_UnpackTuple(args, "audit_html", 3, 3, &report, &handle, &title)) return nullptr;
  jrl::AuditPageOptions options;
  if (handle != Py_None && !(options.catalogue = catalogue_of(handle))) return nullptr;
  Ref report_utf8(utf8_copy(report, "report"));
  Ref title_utf8(report_utf8 ? utf8_copy(title, "title") : nullptr);
  if (!title_utf8) return nullptr;
  return guarded([&]() -> PyObject* {
    options.title = bytes_view(title_utf8.get());
    std::string page, fault;
    {
      ThreadsAllowed unlocked;
      if (auto read = jrl::read_audit_report(bytes_view(report_utf8.get()))) {
        page = jrl::audit_html(*read, options);
      } else {
        fault = std::move(read.error());
      }
    }
    if (!fault.empty()) {
      PyErr_SetString(PyExc_ValueError, fault.c_str());
      return nullptr;
    }
    return new_str(page);
  });
}

}  // namespace

PyMethodDef audit_page_methods[] = {
    {"audit_html", audit_html, METH_VARARGS,
     "audit_html(report, catalogue, title, /)\n--\n\nOne student's audit page from the "
     "report's JSON."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
