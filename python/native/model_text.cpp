#include "model_text.hpp"

#include <cstddef>
#include <expected>
#include <optional>
#include <string_view>
#include <type_traits>
#include <variant>

#include "file_type.hpp"
#include "model_objects.hpp"
#include "objects_model.hpp"
#include "parse_error.hpp"
#include "record_trees.hpp"
#include "records.hpp"
#include "selector_table.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

void write_number(std::size_t value, std::string& out) {
  out += std::to_string(value);
}

// A string as the language reads it: in quotes, a quote doubled.
void write_argument(std::string_view text, std::string& out) {
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void write_argument(const jrl::Class& course, std::string& out) {
  out += course.department_id;
  out += ' ';
  const std::string digits = std::to_string(course.course_number);
  out.append(4 - std::min<std::size_t>(4, digits.size()), '0');
  out += digits;
  if (course.lab) out += 'L';
}

void write_query(const jrl::JRLQuery& query, std::string& out);

void write_selector(const jrl::Selector& selector, std::string& out) {
  jrl::visit(selector,
             jrl::Overloaded{[&](const jrl::SelectorFunction& function,
                                 const auto&... args) {
                               out += function.name;
                               out += '(';
                               const char* separator = "";
                               ((out += separator, write_argument(args, out),
                                 separator = ", "),
                                ...);
                               out += ')';
                             },
                             [&](const jrl::JRLQuery& nested) {
                               write_query(nested, out);
                             }});
}

void write_query(const jrl::JRLQuery& query, std::string& out) {
  out += query.type == jrl::JRLQueryType::Limit ? "LIMIT " : "SELECT ";
  std::visit(
      [&](const auto& q) {
        if constexpr (std::is_same_v<std::decay_t<decltype(q)>,
                                     jrl::quantity::Single>) {
          write_number(q.count, out);
        } else {
          write_number(q.from, out);
          out += '-';
          write_number(q.to, out);
        }
      },
      query.quantity);
  out += " FROM ";
  const bool listed = query.selector.size() != 1;
  if (listed) out += '[';
  const char* separator = "";
  for (const jrl::Selector& selector : query.selector) {
    out += separator;
    write_selector(selector, out);
    separator = ", ";
  }
  if (listed) out += ']';
}

// The model of what jrl.dumps was given: a File's own, or that of one
// Requirement.
std::optional<jrl::ParseResult> model_of(PyObject* value) {
  if (const jrl::ParseResult* parsed = file_model(value)) return *parsed;
  if (record_kind(value) == Record::Requirement) {
    Ref one(PyTuple_Pack(1, value));
    if (!one) return std::nullopt;
    return model_of_requirements(one.get());
  }
  Ref name(PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)),
                                  "__name__"));
  if (name) {
    PyErr_Format(PyExc_TypeError,
                 "dumps() takes a File or a Requirement, not %U", name.get());
  }
  return std::nullopt;
}

PyObject* dumps(PyObject*, PyObject* args) {
  PyObject* value = nullptr;
  Py_ssize_t width = 0;
  if (!PyArg_ParseTuple(args, "On:dumps", &value, &width)) return nullptr;
  if (width < 1) {
    PyErr_SetString(PyExc_ValueError, "width must be at least 1");
    return nullptr;
  }
  return guarded([&]() -> PyObject* {
    std::optional<jrl::ParseResult> model = model_of(value);
    if (!model) return nullptr;
    std::expected<std::string, jrl::Error> formatted;
    {
      ThreadsAllowed unlocked;
      formatted = jrl::format(model_text(model->parsed_jrl_file),
                              {.width = static_cast<std::size_t>(width)});
    }
    // Every record was checked when it was made: a text that does not
    // parse is a fault of this writer.
    if (!formatted) {
      raise_internal("dumps wrote a text that does not parse: " +
                     formatted.error().render());
      return nullptr;
    }
    return new_str(*formatted);
  });
}

}  // namespace

std::string model_text(const jrl::JRLQueryFile& file) {
  std::string out;
  for (const jrl::JRLRequirement& requirement : file.requirements) {
    write_query(requirement.query, out);
    out += " : ";
    write_argument(requirement.description, out);
    if (requirement.priority != 1) {
      out += " : ";
      write_number(requirement.priority, out);
    }
    out += ";\n";
  }
  return out;
}

PyMethodDef model_methods[] = {
    {"dumps", dumps, METH_VARARGS,
     "dumps(value, width, /)\n--\n\nA File or a Requirement as requirements "
     "text in the canonical layout."},
    {"selector_functions", selector_functions, METH_NOARGS,
     "selector_functions()\n--\n\nThe core's table of selector functions, as "
     "tuples."},
    {"_records_from_steps", records_from_steps, METH_O,
     "_records_from_steps(steps, /)\n--\n\n"
     "The record that deep records pickle as: rebuilt from its flat steps."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
