// The package's audit functions: preparing a programme against a catalogue,
// and auditing one record with it.
#pragma once

#include "python_ref.hpp"

namespace jrl_native {

// Their entries for the module's method table, ended by a null entry.
extern PyMethodDef audit_methods[];

}  // namespace jrl_native
