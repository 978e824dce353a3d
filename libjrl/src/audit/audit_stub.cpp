// Placeholder while the engine is written.
#include "jrl/audit.hpp"
#include "jrl/parse.hpp"

namespace jrl {

struct AuditProgramme::Data {
  std::string name;
  Catalogue catalogue;
};

std::expected<AuditProgramme, std::string> AuditProgramme::prepare(std::string_view text,
                                                                   std::string_view name,
                                                                   const Catalogue& catalogue) {
  auto parsed = parse(text);
  if (!parsed) return std::unexpected(parsed.error().render(name));
  return AuditProgramme(std::make_shared<const Data>(Data{std::string(name), catalogue}));
}
const std::string& AuditProgramme::name() const { return data_->name; }
const Catalogue& AuditProgramme::catalogue() const { return data_->catalogue; }

std::string_view to_string(RequirementStatus status) {
  switch (status) {
    case RequirementStatus::waived: return "waived";
    case RequirementStatus::complete: return "complete";
    case RequirementStatus::in_progress: return "in-progress";
    case RequirementStatus::planned: return "planned";
    case RequirementStatus::incomplete: return "incomplete";
  }
  return "incomplete";
}

std::expected<AuditReport, RecordError> audit(const AuditProgramme& programme,
                                              const StudentRecord& record, const AuditOptions&) {
  AuditReport r;
  r.student = record.student;
  r.programme = programme.name();
  r.catalogue = programme.catalogue().name();
  return r;
}

std::string to_json(const AuditReport&) { return "{}"; }

}  // namespace jrl
