#include "catalogue_functions.hpp"

#include <expected>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "arguments.hpp"
#include "diagnostic_objects.hpp"
#include "jrl/catalogue_check.hpp"
#include "jrl/jrl.hpp"
#include "model_objects.hpp"
#include "objects_model.hpp"
#include "parse_error.hpp"
#include "records.hpp"
#include "shared_tuple.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

constexpr const char* CAPSULE = "jrl._native.Catalogue";

void free_catalogue(PyObject* capsule) {
  delete static_cast<jrl::Catalogue*>(PyCapsule_GetPointer(capsule, CAPSULE));
}

PyObject* str_tuple(const std::vector<std::string>& names) {
  return tuple_of_entries(names, [](const std::string& name) { return new_str(name); });
}

template <typename Names>
PyObject* str_tuple_of(const Names& names) {
  return str_tuple(std::vector<std::string>(names.begin(), names.end()));
}

PyObject* programme_dict(const jrl::ProgrammeNames& names) {
  Ref out(PyDict_New());
  if (!out) return nullptr;
  for (const auto& [code, list] : names) {
    Ref key(new_str(code));
    Ref value(str_tuple(list));
    if (!key || !value || PyDict_SetItem(out.get(), key.get(), value.get()) < 0) return nullptr;
  }
  return out.release();
}

// A tuple of `items`, new references it takes over; null (and every item
// released) when one of them is null or the tuple cannot be made.
PyObject* tuple_taking(std::span<PyObject* const> items) {
  Ref out(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
  bool ok = static_cast<bool>(out);
  for (std::size_t i = 0; i < items.size(); ++i) {
    ok = ok && items[i] != nullptr;
    if (ok) {
      PyTuple_SetItem(out.get(), static_cast<Py_ssize_t>(i), items[i]);
    } else {
      Py_XDECREF(items[i]);
    }
  }
  return ok ? out.release() : nullptr;
}

// (code, department, number, lab, title, credits, tags, distributions,
// programme_tags, programme_distributions)
PyObject* course_tuple(const jrl::CatalogueCourse& c) {
  PyObject* fields[] = {new_str(c.code),
                        new_str(c.department),
                        small_int(c.number),
                        PyBool_FromLong(c.lab ? 1 : 0),
                        new_str(c.title),
                        PyFloat_FromDouble(c.credits),
                        str_tuple(c.tags),
                        str_tuple(c.distributions),
                        programme_dict(c.programme_tags),
                        programme_dict(c.programme_distributions)};
  return tuple_taking(fields);
}

// Raises ValueError(message, file, entry, course, field, reason).
PyObject* raise_catalogue_error(const jrl::CatalogueError& e) {
  PyObject* entry = e.entry ? small_int(*e.entry) : (Py_INCREF(Py_None), Py_None);
  PyObject* items[] = {new_str(e.message()), new_str(e.file),  entry,
                       new_str(e.course),    new_str(e.field), new_str(e.reason)};
  Ref args(tuple_taking(items));
  if (args) PyErr_SetObject(PyExc_ValueError, args.get());
  return nullptr;
}

PyObject* catalogue_load(PyObject*, PyObject* path) {
  Ref utf8(utf8_copy(path, "path"));
  if (!utf8) return nullptr;
  return guarded([&]() -> PyObject* {
    std::optional<std::expected<jrl::Catalogue, jrl::CatalogueError>> loaded;
    {
      ThreadsAllowed unlocked;
      loaded.emplace(jrl::Catalogue::load(std::string(bytes_view(utf8.get()))));
    }
    if (!*loaded) return raise_catalogue_error(loaded->error());
    const jrl::Catalogue& cat = **loaded;
    Ref courses(PyTuple_New(static_cast<Py_ssize_t>(cat.courses().size())));
    if (!courses) return nullptr;
    for (std::size_t i = 0; i < cat.courses().size(); ++i) {
      PyObject* c = course_tuple(cat.courses()[i]);
      if (c == nullptr) return nullptr;
      PyTuple_SetItem(courses.get(), static_cast<Py_ssize_t>(i), c);
    }
    Ref name(new_str(cat.name()));
    Ref placements(str_tuple_of(cat.placements()));
    Ref codes(str_tuple_of(cat.programme_codes()));
    if (!name || !placements || !codes) return nullptr;
    Ref capsule(PyCapsule_New(new jrl::Catalogue(std::move(**loaded)), CAPSULE, free_catalogue));
    if (!capsule) return nullptr;
    return PyTuple_Pack(5, capsule.get(), name.get(), courses.get(), placements.get(),
                        codes.get());
  });
}

PyObject* catalogue_courses_for(PyObject*, PyObject* args) {
  PyObject* capsule = nullptr;
  PyObject* requirements = nullptr;
  if (!PyArg_UnpackTuple(args, "catalogue_courses_for", 2, 2, &capsule, &requirements)) {
    return nullptr;
  }
  auto* cat = static_cast<jrl::Catalogue*>(PyCapsule_GetPointer(capsule, CAPSULE));
  if (cat == nullptr) return nullptr;
  return guarded([&]() -> PyObject* {
    std::optional<jrl::ParseResult> model = model_of_requirements(requirements);
    if (!model) return nullptr;
    const jrl::JRLRequirement& req = model->parsed_jrl_file.requirements.at(0);
    const auto courses = cat->courses_for(req);
    Ref out(PyTuple_New(static_cast<Py_ssize_t>(courses.size())));
    if (!out) return nullptr;
    for (std::size_t i = 0; i < courses.size(); ++i) {
      PyObject* at = small_int(static_cast<std::size_t>(courses[i] - cat->courses().data()));
      if (at == nullptr) return nullptr;
      PyTuple_SetItem(out.get(), static_cast<Py_ssize_t>(i), at);
    }
    return out.release();
  });
}

// The diagnostics of a text with the catalogue's warnings among them.
PyObject* catalogue_check(PyObject*, PyObject* args) {
  PyObject* capsule = nullptr;
  PyObject* text = nullptr;
  PyObject* warnings = nullptr;
  PyObject* path = nullptr;
  if (!PyArg_UnpackTuple(args, "catalogue_check", 4, 4, &capsule, &text, &warnings,
                         &path)) {
    return nullptr;
  }
  std::string name;
  if (path != Py_None && !path_text(path, name)) return nullptr;
  auto* cat = static_cast<jrl::Catalogue*>(PyCapsule_GetPointer(capsule, CAPSULE));
  if (cat == nullptr) return nullptr;
  jrl::CheckOptions options;
  const int want_warnings = PyObject_IsTrue(warnings);
  if (want_warnings < 0) return nullptr;
  options.warnings = want_warnings != 0;
  Ref utf8(utf8_copy(text, "text"));
  if (!utf8) return nullptr;
  return guarded([&] {
    return checked_list(bytes_view(utf8.get()), [&](std::string_view view) {
      return jrl::check(view, *cat, options);
    }, name);
  });
}

}  // namespace

const jrl::Catalogue* catalogue_of(PyObject* handle) {
  return static_cast<const jrl::Catalogue*>(PyCapsule_GetPointer(handle, CAPSULE));
}

PyMethodDef catalogue_methods[] = {
    {"catalogue_load", catalogue_load, METH_O,
     "catalogue_load(path, /)\n--\n\nA catalogue and its courses, read from a JSON file."},
    {"catalogue_courses_for", catalogue_courses_for, METH_VARARGS,
     "catalogue_courses_for(catalogue, requirements, /)\n--\n\nThe positions of the courses "
     "the first of the requirements selects."},
    {"catalogue_check", catalogue_check, METH_VARARGS,
     "catalogue_check(catalogue, text, warnings, path, /)\n--\n\nEvery diagnostic of a str, "
     "the catalogue's warnings among them."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
