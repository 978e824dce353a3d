// Reading an audit report back from its JSON: the fields the report writes,
// each checked for its type, the first fault named by its path.
#include <nlohmann/json.hpp>

#include "jrl/audit_read.hpp"

namespace jrl {
namespace {

using Json = nlohmann::json;

// Thrown inside the reader only; read_audit_report turns it into a value.
struct Fault {
  std::string message;
};

class Reader {
 public:
  const Json& at(const Json& object, std::string_view key, const std::string& path) const {
    if (!object.is_object()) throw Fault{path + ": expected an object"};
    const auto found = object.find(key);
    if (found == object.end()) throw Fault{path + "." + std::string(key) + ": missing"};
    return *found;
  }
  const Json* optional(const Json& object, std::string_view key) const {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
  }
  std::string text(const Json& v, const std::string& path) const {
    if (!v.is_string()) throw Fault{path + ": expected a string"};
    return v.get<std::string>();
  }
  bool flag(const Json& v, const std::string& path) const {
    if (!v.is_boolean()) throw Fault{path + ": expected true or false"};
    return v.get<bool>();
  }
  template <typename T>
  T whole(const Json& v, const std::string& path) const {
    if (!v.is_number_unsigned()) throw Fault{path + ": expected a whole number"};
    return v.get<T>();
  }
  double real(const Json& v, const std::string& path) const {
    if (!v.is_number()) throw Fault{path + ": expected a number"};
    return v.get<double>();
  }
  const Json& list(const Json& v, const std::string& path) const {
    if (!v.is_array()) throw Fault{path + ": expected a list"};
    return v;
  }
  std::vector<std::string> texts(const Json& v, const std::string& path) const {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < list(v, path).size(); ++i) {
      out.push_back(text(v[i], path + "[" + std::to_string(i) + "]"));
    }
    return out;
  }
  std::vector<std::size_t> indexes(const Json& v, const std::string& path) const {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < list(v, path).size(); ++i) {
      out.push_back(whole<std::size_t>(v[i], path + "[" + std::to_string(i) + "]"));
    }
    return out;
  }
  AttemptStatus attempt_status_of(const Json& v, const std::string& path) const {
    const auto status = attempt_status(text(v, path));
    if (!status) throw Fault{path + ": not an attempt status"};
    return *status;
  }
  RequirementStatus requirement_status(const Json& v, const std::string& path) const {
    const std::string word = text(v, path);
    for (const RequirementStatus s :
         {RequirementStatus::waived, RequirementStatus::complete, RequirementStatus::in_progress,
          RequirementStatus::planned, RequirementStatus::incomplete}) {
      if (to_string(s) == word) return s;
    }
    throw Fault{path + ": not a requirement status"};
  }

  AttemptRef attempt(const Json& v, const std::string& path) const {
    return {text(at(v, "course", path), path + ".course"), text(at(v, "term", path), path + ".term"),
            attempt_status_of(at(v, "status", path), path + ".status")};
  }

  std::vector<AuditItem> items(const Json& v, const std::string& path) const {
    std::vector<AuditItem> out;
    for (std::size_t i = 0; i < list(v, path).size(); ++i) {
      const std::string here = path + "[" + std::to_string(i) + "]";
      const Json& e = v[i];
      AuditItem item;
      if (const Json* group = optional(e, "group")) {
        item.kind = AuditItem::Kind::group;
        item.path = indexes(*group, here + ".group");
        item.items = items(at(e, "items", here), here + ".items");
      } else if (const Json* placement = optional(e, "placement")) {
        item.kind = AuditItem::Kind::placement;
        item.placement = text(*placement, here + ".placement");
      } else {
        AttemptRef a = attempt(e, here);
        item.course = std::move(a.course);
        item.term = std::move(a.term);
        item.status = a.status;
        if (const Json* also = optional(e, "could_also_count")) {
          item.could_also_count = indexes(*also, here + ".could_also_count");
        }
      }
      out.push_back(std::move(item));
    }
    return out;
  }

  RequirementReport requirement(const Json& v, const std::string& p) const {
    RequirementReport r;
    r.index = whole<std::size_t>(at(v, "index", p), p + ".index");
    r.line = whole<std::size_t>(at(v, "line", p), p + ".line");
    r.description = text(at(v, "description", p), p + ".description");
    r.priority = whole<unsigned>(at(v, "priority", p), p + ".priority");
    r.status = requirement_status(at(v, "status", p), p + ".status");
    r.lo = whole<unsigned>(at(v, "lo", p), p + ".lo");
    r.hi = whole<unsigned>(at(v, "hi", p), p + ".hi");
    r.count = whole<unsigned>(at(v, "count", p), p + ".count");
    r.missing = whole<unsigned>(at(v, "missing", p), p + ".missing");
    r.credits = real(at(v, "credits", p), p + ".credits");
    r.items = items(at(v, "items", p), p + ".items");
    r.explanation = text(at(v, "explanation", p), p + ".explanation");
    r.would_count = texts(at(v, "would_count", p), p + ".would_count");
    return r;
  }

  LimitReport limit(const Json& v, const std::string& p) const {
    LimitReport l;
    l.index = whole<std::size_t>(at(v, "index", p), p + ".index");
    l.line = whole<std::size_t>(at(v, "line", p), p + ".line");
    l.description = text(at(v, "description", p), p + ".description");
    l.allowed = whole<unsigned>(at(v, "allowed", p), p + ".allowed");
    l.used = whole<unsigned>(at(v, "used", p), p + ".used");
    l.courses = texts(at(v, "courses", p), p + ".courses");
    return l;
  }

  ExceptionReport exception(const Json& v, const std::string& p) const {
    ExceptionReport e;
    e.kind = text(at(v, "kind", p), p + ".kind");
    e.requirement = whole<std::size_t>(at(v, "requirement", p), p + ".requirement");
    if (const Json* course = optional(v, "course")) e.course = text(*course, p + ".course");
    e.effect = text(at(v, "effect", p), p + ".effect");
    return e;
  }

  AuditObjective objective(const Json& v, const std::string& p) const {
    AuditObjective o;
    const Json& tiers = list(at(v, "priorities", p), p + ".priorities");
    for (std::size_t i = 0; i < tiers.size(); ++i) {
      const std::string here = p + ".priorities[" + std::to_string(i) + "]";
      if (list(tiers[i], here).size() != 3) throw Fault{here + ": expected three numbers"};
      o.priorities.push_back({whole<unsigned>(tiers[i][0], here + "[0]"),
                              whole<unsigned>(tiers[i][1], here + "[1]"),
                              whole<unsigned>(tiers[i][2], here + "[2]")});
    }
    o.progress = whole<unsigned>(at(v, "progress", p), p + ".progress");
    o.settled = whole<unsigned>(at(v, "settled", p), p + ".settled");
    o.fill = whole<unsigned>(at(v, "fill", p), p + ".fill");
    return o;
  }

  // Each element of the list at `key` through `read`.
  template <typename T, typename Read>
  std::vector<T> each(const Json& v, std::string_view key, Read read) const {
    const std::string path(key);
    const Json& elements = list(at(v, key, "report"), path);
    std::vector<T> out;
    for (std::size_t i = 0; i < elements.size(); ++i) {
      out.push_back((this->*read)(elements[i], path + "[" + std::to_string(i) + "]"));
    }
    return out;
  }

  AuditReport report(const Json& v) const {
    const std::string p = "report";
    AuditReport r;
    r.student = text(at(v, "student", p), "student");
    r.programme = text(at(v, "programme", p), "programme");
    r.catalogue = text(at(v, "catalogue", p), "catalogue");
    r.satisfied = flag(at(v, "satisfied", p), "satisfied");
    r.optimal = flag(at(v, "optimal", p), "optimal");
    r.objective = objective(at(v, "objective", p), "objective");
    r.requirements = each<RequirementReport>(v, "requirements", &Reader::requirement);
    r.limits = each<LimitReport>(v, "limits", &Reader::limit);
    r.unused = each<AttemptRef>(v, "unused", &Reader::attempt);
    r.warnings = texts(at(v, "warnings", p), "warnings");
    if (optional(v, "exceptions") != nullptr) {
      r.exceptions = each<ExceptionReport>(v, "exceptions", &Reader::exception);
    }
    return r;
  }
};

}  // namespace

std::expected<AuditReport, std::string> read_audit_report(std::string_view json) {
  const Json parsed = Json::parse(json, nullptr, false);
  if (parsed.is_discarded()) return std::unexpected("the audit report is not valid JSON");
  if (!parsed.is_object()) return std::unexpected("the audit report is not a JSON object");
  try {
    return Reader{}.report(parsed);
  } catch (const Fault& fault) {
    return std::unexpected("the audit report's " + fault.message);
  }
}

}  // namespace jrl
