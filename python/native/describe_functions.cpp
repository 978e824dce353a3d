#include "describe_functions.hpp"

#include <array>
#include <expected>
#include <optional>
#include <string>
#include <string_view>

#include "arguments.hpp"
#include "catalogue_functions.hpp"
#include "jrl/describe.hpp"
#include "jrl/jrl.hpp"
#include "model_objects.hpp"
#include "objects_model.hpp"
#include "parse_error.hpp"
#include "threads_allowed.hpp"

namespace jrl_native {
namespace {

struct FormatName {
  std::string_view name;
  jrl::DescribeFormat format;
};

constexpr std::array FORMATS{
    FormatName{"text", jrl::DescribeFormat::text},
    FormatName{"markdown", jrl::DescribeFormat::markdown},
    FormatName{"html", jrl::DescribeFormat::html},
};

// describe(source, catalogue, format, /): `source` is a requirements text
// (its opening comment is the title) or a tuple of Requirements; `catalogue`
// a handle of catalogue_load or None.
PyObject* describe(PyObject*, PyObject* args) {
  PyObject* source = nullptr;
  PyObject* handle = nullptr;
  PyObject* format_name = nullptr;
  if (!PyArg_UnpackTuple(args, "describe", 3, 3, &source, &handle, &format_name)) {
    return nullptr;
  }
  jrl::DescribeOptions options;
  if (handle != Py_None && !(options.catalogue = catalogue_of(handle))) return nullptr;
  Ref format_utf8(utf8_copy(format_name, "format"));
  if (!format_utf8) return nullptr;
  const std::string_view wanted = bytes_view(format_utf8.get());
  const auto* found = std::ranges::find(FORMATS, wanted, &FormatName::name);
  if (found == FORMATS.end()) {
    PyErr_Format(PyExc_ValueError, "format must be 'text', 'markdown' or 'html', not %R",
                 format_name);
    return nullptr;
  }
  options.format = found->format;
  return guarded([&]() -> PyObject* {
    if (PyTuple_Check(source)) {
      std::optional<jrl::ParseResult> model = model_of_requirements(source);
      if (!model) return nullptr;
      return new_str(jrl::describe(model->parsed_jrl_file, options));
    }
    Ref utf8(utf8_copy(source, "text"));
    if (!utf8) return nullptr;
    std::string_view text = bytes_view(utf8.get());
    text.remove_prefix(jrl::byte_order_mark_length(text));
    std::string described;
    std::optional<jrl::Error> failed;
    {
      ThreadsAllowed unlocked;
      auto parsed = jrl::parse(text);
      if (parsed) {
        options.title = jrl::programme_title(text);
        described = jrl::describe(parsed->parsed_jrl_file, options);
      } else {
        failed = std::move(parsed.error());
      }
    }
    if (failed) {
      raise_parse_error(*failed, text, Py_None);
      return nullptr;
    }
    return new_str(described);
  });
}

}  // namespace

PyMethodDef describe_methods[] = {
    {"describe", describe, METH_VARARGS,
     "describe(source, catalogue, format, /)\n--\n\nThe programme in plain words."},
    {nullptr, nullptr, 0, nullptr},
};

}  // namespace jrl_native
