// The package's audit functions: preparing a programme against a catalogue,
// and auditing one record with it.
#pragma once

#include "jrl/audit.hpp"
#include "jrl/record.hpp"
#include "python_ref.hpp"

namespace jrl_native {

// The capsule name of a prepared programme (jrl::AuditProgramme).
inline constexpr const char* PROGRAMME_CAPSULE = "jrl._native.AuditProgramme";

// The audit's settings from the arguments the package passes: which
// attempt statuses take part, and the time limit.
jrl::AuditOptions audit_options(int completed, int in_progress, int planned,
                                unsigned long long limit_ms);

// Raises ValueError(message, file, line, student, field, reason); returns
// null.
PyObject* raise_record_error(const jrl::RecordError& e);

// Their entries for the module's method table, ended by a null entry.
extern PyMethodDef audit_methods[];

}  // namespace jrl_native
