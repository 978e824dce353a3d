// The package's audit page: a report's JSON rendered as one student's page.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// Its entries for the module's method table, ended by a null entry.
extern PyMethodDef audit_page_methods[];

}  // namespace jrl_native
