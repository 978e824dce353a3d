#include "options.hpp"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <system_error>
#include <thread>

#include "commands.hpp"
#include "reporter.hpp"

namespace jrl::cli {
namespace {

// `text` between single quotes, as usage messages show a value (appended
// piece by piece: GCC 12 warns wrongly of overlap on `"'" + string`).
std::string quoted(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  out.push_back('\'');
  out.append(text);
  out.push_back('\'');
  return out;
}

std::string invalid_value(std::string_view value, std::string_view option,
                          std::string_view expected) {
  return "invalid value " + quoted(value) + " for " + quoted(option) +
         " (expected " + std::string(expected) + ")";
}

// The item of `items` whose name is `value`; else the usage error of
// `option`, listing the names.
template <class Items>
auto named(const Items& items, std::string_view option, std::string_view value)
    -> std::expected<const typename Items::value_type*, std::string> {
  std::string names;
  const std::size_t count = std::size(items);
  std::size_t i = 0;
  for (const auto& item : items) {
    if (item.name == value) return &item;
    if (i > 0) names += i + 1 == count ? " or " : ", ";
    names += item.name;
    ++i;
  }
  return std::unexpected(invalid_value(value, option, names));
}

template <class T>
struct Choice {
  std::string_view name;
  T value;
};

constexpr std::array<Choice<ColourMode>, 3> COLOURS{{
    {"auto", ColourMode::automatic},
    {"always", ColourMode::always},
    {"never", ColourMode::never},
}};

// `jrl courses --format`: JSON Lines or not.
constexpr std::array<Choice<bool>, 2> COURSE_FORMATS{{
    {"text", false},
    {"json", true},
}};

// `jrl describe --format`.
constexpr std::array<Choice<DescribeFormat>, 3> DESCRIBE_FORMATS{{
    {"text", DescribeFormat::text},
    {"markdown", DescribeFormat::markdown},
    {"html", DescribeFormat::html},
}};

// `jrl audit --format`.
constexpr std::array<Choice<AuditFormat>, 3> AUDIT_FORMATS{{
    {"text", AuditFormat::text},
    {"json", AuditFormat::json},
    {"html", AuditFormat::html},
}};

constexpr std::array<Choice<WarningMode>, 3> WARNINGS{{
    {"show", WarningMode::show},
    {"error", WarningMode::error},
    {"ignore", WarningMode::ignore},
}};

// A decimal number from `min` to `max`, and nothing else.
std::optional<std::size_t> number(std::string_view text, std::size_t min,
                                  std::size_t max) {
  std::size_t value = 0;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size() ||
      value < min || value > max) {
    return std::nullopt;
  }
  return value;
}

// One thread per core, as far as the system tells.
unsigned default_jobs() {
  const unsigned cores = std::thread::hardware_concurrency();
  return std::clamp(cores, 1u, MAX_JOBS);
}

using Result = std::expected<void, std::string>;
using Help = std::array<std::string_view, PAGE_COUNT>;

template <bool Options::*Flag>
Result set_flag(Options& options, std::string_view, std::string_view) {
  options.*Flag = true;
  return {};
}

template <auto Member, const auto& Choices>
Result set_choice(Options& options, std::string_view option,
                  std::string_view value) {
  const auto choice = named(Choices, option, value);
  if (!choice) return std::unexpected(choice.error());
  options.*Member = (*choice)->value;
  return {};
}

// A count from 1 to `Max`, kept by `Store`.
template <void (*Store)(Options&, std::size_t), std::size_t Max>
Result set_count(Options& options, std::string_view option,
                 std::string_view value) {
  const auto count = number(value, 1, Max);
  if (!count) {
    return std::unexpected(invalid_value(
        value, option,
        Max == std::numeric_limits<std::size_t>::max()
            ? std::string("a positive number")
            : "a number from 1 to " + std::to_string(Max)));
  }
  Store(options, *count);
  return {};
}

void store_width(Options& options, std::size_t width) {
  options.layout.width = width;
}
void store_jobs(Options& options, std::size_t jobs) {
  options.jobs = static_cast<unsigned>(jobs);
}
void store_time_limit(Options& options, std::size_t ms) {
  options.time_limit_ms = ms;
}

// The longest --time-limit: a day, in milliseconds.
constexpr std::size_t DAY_MS = 86'400'000;

// `jrl audit --include`: the attempt statuses that take part.
constexpr std::array<Choice<bool Options::*>, 3> STATUSES{{
    {"completed", &Options::include_completed},
    {"in-progress", &Options::include_in_progress},
    {"planned", &Options::include_planned},
}};

// A comma-separated list of STATUSES, each at most once, at least one.
Result set_include(Options& options, std::string_view option,
                   std::string_view value) {
  for (const auto& status : STATUSES) options.*status.value = false;
  std::size_t start = 0;
  while (true) {
    const std::size_t comma = std::min(value.find(',', start), value.size());
    const auto status = named(STATUSES, option, value.substr(start, comma - start));
    if (!status) return std::unexpected(status.error());
    if (options.*(*status)->value) {
      return std::unexpected(invalid_value(value, option,
                                           "each status at most once"));
    }
    options.*(*status)->value = true;
    if (comma == value.size()) return {};
    start = comma + 1;
  }
}

Result set_format(Options& options, std::string_view option,
                  std::string_view value) {
  const auto format = named(report_formats(), option, value);
  if (!format) return std::unexpected(format.error());
  options.format = *format;
  return {};
}

// Any text but none: a name or a path.
template <std::string Options::*Member>
Result set_text(Options& options, std::string_view option,
                std::string_view value) {
  if (value.empty()) {
    return std::unexpected("option " + quoted(option) + " needs a value");
  }
  options.*Member = std::string(value);
  return {};
}

// Each --programmes adds a folder or file to the list.
Result add_programmes(Options& options, std::string_view option,
                      std::string_view value) {
  if (value.empty()) {
    return std::unexpected("option " + quoted(option) + " needs a value");
  }
  options.programmes.emplace_back(value);
  return {};
}

std::string format_listing() {
  std::string out;
  for (const ReportFormat& format : report_formats()) {
    std::string name(format.name);
    name.resize(std::max<std::size_t>(name.size() + 1, 8), ' ');
    out += "  " + name + std::string(format.summary) + "\n";
  }
  return out;
}

// The rows of the table, by what an option sets: a flag, one of a few
// named values, a count, or anything else (`set`).
template <bool Options::*Flag>
constexpr OptionSpec flag(std::string_view short_name, std::string_view name,
                          std::string_view only_for, Help help) {
  return {short_name, name, "", only_for, help, nullptr, set_flag<Flag>};
}

template <auto Member, const auto& Choices>
constexpr OptionSpec choice(std::string_view name, std::string_view only_for,
                            Help help, std::string_view value = "=WHEN") {
  return {"", name, value, only_for, help, nullptr,
          set_choice<Member, Choices>};
}

template <std::string Options::*Member>
constexpr OptionSpec text(std::string_view name, std::string_view value,
                          std::string_view only_for, Help help) {
  return {"", name, value, only_for, help, nullptr, set_text<Member>};
}

template <void (*Store)(Options&, std::size_t), std::size_t Max>
constexpr OptionSpec count(std::string_view name, std::string_view value,
                           std::string_view only_for, Help help) {
  return {"", name, value, only_for, help, nullptr, set_count<Store, Max>};
}

constexpr std::size_t UNBOUNDED = std::numeric_limits<std::size_t>::max();

constexpr std::array OPTIONS{
    flag<&Options::list_changes>(
        "", "--check", "",
        {"", "change nothing; name each file that would change and\n"
             "exit with 1 if there is one"}),
    flag<&Options::diff>(
        "", "--diff", "",
        {"", "change nothing; print a unified diff of each file that\n"
             "would change and exit with 1 if there is one"}),
    count<store_width, UNBOUNDED>(
        "--width", " N", "", {"", "the line width to aim for (default 100)"}),
    flag<&Options::allow_hard_links>(
        "", "--allow-hardlinks", "",
        {"", "rewrite a file that has other hard links in place, so\n"
             "that every name sees the new text (not atomic: a crash\n"
             "while it is written can leave it half written); without\n"
             "it such a file is refused"}),
    flag<&Options::pretty>("", "--pretty", "json",
                           {"json: indent the JSON output", ""}),
    flag<&Options::verbose>(
        "-v", "--verbose", "check",
        {"check: also name each good file on standard output", ""}),
    OptionSpec{"", "--format", "=FORMAT", "check",
               {"check: how diagnostics are reported:\n"
                "(all but text on standard output)",
                ""},
               format_listing, set_format},
    choice<&Options::warnings, WARNINGS>(
        "--warnings", "check",
        {"check: show warnings (default), count them as errors\n"
         "(error), or leave them out (ignore)",
         ""}),
    text<&Options::stdin_filename>(
        "--stdin-filename", " NAME", "check",
        {"check: the name standard input is reported by", ""}),
    count<store_jobs, MAX_JOBS>(
        "--jobs", "=N", "check",
        {"check: check N files at a time (default: one per core);\n"
         "the output is the same for any N",
         ""}),
    flag<&Options::fix>(
        "", "--fix", "check",
        {"check: apply every fix found (repeating until none is\n"
         "left), write the files, then report what remains",
         ""}),
    flag<&Options::diff>(
        "", "--diff", "check",
        {"check: with or without --fix: write nothing; print the\n"
         "fixes as a unified diff, then report what would remain",
         ""}),
    flag<&Options::allow_hard_links>(
        "", "--allow-hardlinks", "check",
        {"check: with --fix: rewrite a file that has other hard\n"
         "links in place, as 'jrl fmt --allow-hardlinks' does",
         ""}),
    flag<&Options::list_codes>(
        "", "--list", "explain",
        {"explain: list every code with its name and title", ""}),
    text<&Options::catalogue>(
        "--catalogue", " CAT", "courses",
        {"courses: the catalogue's JSON file (required)", ""}),
    text<&Options::catalogue>(
        "--catalogue", " CAT", "check",
        {"check: warn where the file does not fit the catalogue\n"
         "(default: the one jrl.toml names)",
         ""}),
    flag<&Options::no_config>(
        "", "--no-config", "check",
        {"check: read no jrl.toml or pyproject.toml", ""}),
    choice<&Options::courses_json, COURSE_FORMATS>(
        "--format", "courses",
        {"courses: text (default) or json, one JSON object per\n"
         "statement and line",
         ""},
        "=FORMAT"),
    text<&Options::catalogue>(
        "--catalogue", " CAT", "diff",
        {"diff: a catalogue's JSON file: also list the courses that\n"
         "newly count or no longer count for each statement",
         ""}),
    choice<&Options::diff_json, COURSE_FORMATS>(
        "--format", "diff",
        {"diff: text (default) or json, one JSON document", ""},
        "=FORMAT"),
    text<&Options::records>(
        "--records", " FILE", "diff",
        {"diff: many students' records, one JSON object a line:\n"
         "audit each against both versions and list the students\n"
         "whose standing changes (needs --catalogue); with\n"
         "--format=json, a JSON object a line",
         ""}),
    OptionSpec{"", "--include", "=STATUSES", "diff",
               {"diff: with --records, the attempts that count, as for\n"
                "audit (default: completed,in-progress)",
                ""},
               nullptr, set_include},
    count<store_jobs, MAX_JOBS>(
        "--jobs", "=N", "diff",
        {"diff: with --records, audit N students at a time\n"
         "(default: one per core)",
         ""}),
    count<store_time_limit, DAY_MS>(
        "--time-limit", " MS", "diff",
        {"diff: with --records, the time bound of one audit, as\n"
         "for audit (default 5000)",
         ""}),
    text<&Options::catalogue>(
        "--catalogue", " CAT", "describe",
        {"describe: the catalogue's JSON file, for course titles", ""}),
    choice<&Options::describe_format, DESCRIBE_FORMATS>(
        "--format", "describe",
        {"describe: text (default), markdown, or html (one\n"
         "self-contained page)",
         ""},
        "=FORMAT"),
    text<&Options::catalogue>(
        "--catalogue", " CAT", "audit",
        {"audit: the catalogue's JSON file (required)", ""}),
    text<&Options::record>(
        "--record", " FILE", "audit",
        {"audit: one student's record, a JSON file", ""}),
    text<&Options::records>(
        "--records", " FILE", "audit",
        {"audit: many students' records, one JSON object a line;\n"
         "read as it is audited, so any size will do",
         ""}),
    OptionSpec{"", "--programmes", " PATH", "audit",
               {"audit: rank each student's standing in several\n"
                "programmes, closest first: a folder (its *.jrl\n"
                "files) or a programme file; may be repeated, as\n"
                "may PROGRAMME",
                ""},
               nullptr, add_programmes},
    choice<&Options::audit_format, AUDIT_FORMATS>(
        "--format", "audit",
        {"audit: text (default), json (one report a line) or html\n"
         "(one self-contained page per student)",
         ""},
        "=FORMAT"),
    OptionSpec{"", "--include", "=STATUSES", "audit",
               {"audit: the attempts that count, by status, separated\n"
                "by commas: completed, in-progress, planned (default:\n"
                "completed,in-progress)",
                ""},
               nullptr, set_include},
    count<store_jobs, MAX_JOBS>(
        "--jobs", "=N", "audit",
        {"audit: audit N students at a time (default: one per\n"
         "core); the output is the same for any N",
         ""}),
    count<store_time_limit, DAY_MS>(
        "--time-limit", " MS", "audit",
        {"audit: stop searching a student's best allocation after\n"
         "MS milliseconds and report the best found (default 5000)",
         ""}),
    text<&Options::output>(
        "--output", " DIR", "audit",
        {"audit: write each student's report to a file of its own\n"
         "in DIR (made if missing), named by the student's id;\n"
         "html adds index.html; a summary ends on standard error",
         ""}),
    flag<&Options::no_progress>(
        "", "--no-progress", "audit",
        {"audit: no progress bar for --records (else shown on a\n"
         "terminal during a long run)",
         ""}),
    flag<&Options::json_list>(
        "", "--json", "departments",
        {"departments: print the codes as one JSON array", ""}),
    choice<&Options::colour, COLOURS>(
        "--color", "",
        {"colour failure reports: auto (default: on a terminal,\n"
         "unless NO_COLOR is set), always or never",
         "colour failure reports: auto (default), always or never"}),
    flag<&Options::help>("-h", "--help", "",
                         {"print this help and exit", "print this help and exit"}),
    flag<&Options::version>("-V", "--version", "",
                            {"print the version and exit", ""}),
};

bool known_on(const OptionSpec& option, Page page) {
  return !option.help[static_cast<std::size_t>(page)].empty();
}

// The option spelled `name` known on `page`, or null: of two rows with
// one name, the one for `command` if there is one, else the first.
const OptionSpec* find_option(std::string_view name, Page page,
                              const CommandSpec* command) {
  const OptionSpec* found = nullptr;
  for (const OptionSpec& option : OPTIONS) {
    if ((name == option.name || name == option.short_name) &&
        known_on(option, page)) {
      if (command && option.only_for == command->name) return &option;
      if (!found) found = &option;
    }
  }
  return found;
}

// An option as it was given: its entry and the argument that named it.
struct Given {
  const OptionSpec* option;
  std::string_view arg;
};

// Checks the options and operands against the command: an option given
// before it may not be one of its page.
std::expected<void, std::string> validate(const Options& options,
                                          const std::vector<Given>& given) {
  const CommandSpec& command = *options.command;
  for (const Given& g : given) {
    if (!known_on(*g.option, command.page)) {
      return std::unexpected("unknown option " + quoted(g.arg));
    }
  }
  for (const OptionSpec& option : OPTIONS) {
    const bool seen = std::ranges::any_of(
        given, [&](const Given& g) { return g.option == &option; });
    if (seen && !option.only_for.empty() && option.only_for != command.name) {
      return std::unexpected("option " + quoted(option.name) +
                             " only applies to 'jrl " +
                             std::string(option.only_for) + "'");
    }
  }
  const std::string jrl_command = "'jrl " + std::string(command.name) + "'";
  if (command.operands.empty() && !options.files.empty()) {
    return std::unexpected(jrl_command + " takes no operands");
  }
  // `explain --list` lists instead of explaining.
  if (options.list_codes && !options.files.empty()) {
    return std::unexpected("'jrl explain --list' takes no codes");
  }
  if (options.files.empty() && !command.missing.empty() &&
      !options.list_codes && options.programmes.empty()) {
    return std::unexpected(jrl_command + " " + std::string(command.missing));
  }
  if (command.one_operand && options.files.size() > 1) {
    return std::unexpected(jrl_command + " takes exactly one file");
  }
  return {};
}

}  // namespace

std::span<const OptionSpec> option_table() { return OPTIONS; }

std::expected<Options, UsageError> parse_options(
    std::span<const std::string_view> args) {
  Options options;
  options.jobs = default_jobs();
  options.format = &report_formats().front();
  std::vector<Given> given;
  bool only_files = false;
  // Options before the command are those of the main page.
  const auto page = [&] {
    return options.command ? options.command->page : Page::main;
  };
  const auto failure = [&](std::string message) {
    return std::unexpected(UsageError{std::move(message), page()});
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    const bool is_option = !only_files && arg.size() > 1 && arg.front() == '-';
    if (!is_option) {
      if (options.command) {
        options.files.emplace_back(arg);
      } else if (!(options.command = find_command(arg))) {
        std::string message = "unknown command " + quoted(arg);
        if (const CommandSpec* near = closest_command(arg)) {
          message += "; did you mean " + quoted(near->name) + "?";
        }
        return failure(std::move(message));
      }
      continue;
    }
    if (arg == "--") {
      only_files = true;
      continue;
    }
    const std::size_t eq = arg.find('=');
    const std::string_view name = arg.substr(0, eq);
    std::optional<std::string_view> value;
    if (eq != std::string_view::npos) value = arg.substr(eq + 1);
    const OptionSpec* option = find_option(name, page(), options.command);
    if (!option || (option->value.empty() && value)) {
      return failure("unknown option " + quoted(arg));
    }
    if (!option->value.empty() && !value) {
      if (i + 1 == args.size()) {
        return failure("option " + quoted(name) + " needs a value");
      }
      value = args[++i];
    }
    given.push_back({option, arg});
    if (auto set = option->set(options, option->name, value.value_or(""));
        !set) {
      return failure(std::move(set.error()));
    }
    if (options.help || options.version) return options;
  }

  if (!options.command) return failure("no command given");
  if (auto valid = validate(options, given); !valid) {
    return failure(std::move(valid.error()));
  }
  return options;
}

}  // namespace jrl::cli
