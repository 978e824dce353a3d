#include "usage.hpp"

#include <array>
#include <utility>

#include "commands.hpp"

namespace jrl::cli {
namespace {

struct UsagePage {
  std::string_view help_command;
  std::string_view head;  // before the commands, if listed, and the options
  bool lists_commands;
  std::string_view options_head;
  std::string_view tail;
};

constexpr std::array<UsagePage, PAGE_COUNT> PAGES{{
    {"jrl --help",
     "Usage: jrl <command> [options] FILE...\n"
     "\n"
     "Checks and converts JRL requirements files.\n"
     "\n"
     "Commands:\n",
     true,
     "\n"
     "A FILE or PATH of - reads standard input.\n"
     "\n"
     "Options:\n",
     "\n"
     "Exit status: 0 when every file is good, 1 when any file has an error "
     "(or,\n"
     "with --warnings=error, a warning), 2 on a usage error or a file that "
     "cannot\n"
     "be read.\n"},
    {"jrl fmt --help",
     "Usage: jrl fmt [--check] [--diff] [--width N] PATH...\n"
     "\n"
     "Rewrites JRL requirements files in place in the canonical layout. A\n"
     "directory stands for every *.jrl file below it; - reads standard "
     "input and\n"
     "writes the result to standard output. A file that does not parse is\n"
     "reported and left as it is.\n"
     "\n",
     false,
     "Options:\n",
     "\n"
     "Exit status: 0 when every file is formatted (or, with --check or "
     "--diff,\n"
     "already was), 1 when a file would change, 2 on a usage error or a "
     "file\n"
     "that cannot be read or written, 3 when a file does not parse; the "
     "highest\n"
     "of these when several apply.\n"},
}};

// The exit status of a command whose statuses mean something else than its
// page says.
constexpr std::array<std::pair<std::string_view, std::string_view>, 3> OWN_EXIT_STATUS{{
    {"diff",
     "\n"
     "Exit status: 0 when the two versions mean the same (layout and "
     "comments\n"
     "aside), 1 when they differ, 2 on a usage error or a file that cannot "
     "be\n"
     "read or does not parse.\n"
     "With --records: 0 when no student's standing changes, 1 when some "
     "student's\n"
     "does, 2 also on a bad record.\n"},
    {"audit",
     "\n"
     "Exit status: 0 when every student audited has met the programme, 1 "
     "when\n"
     "any has not, 2 on a usage error, a file that cannot be read, a "
     "catalogue\n"
     "or programme that does not load, or a bad record.\n"
     "With several programmes: 0 when every student has met at least one "
     "of\n"
     "them, 1 when any has met none, 2 as above.\n"},
    {"describe",
     "\n"
     "Exit status: 0 when the programme is described, 1 when it does not "
     "parse,\n"
     "2 on a usage error, a file that cannot be read or a catalogue that "
     "does\n"
     "not load.\n"},
}};

// What ends the usage of `only` (or of its page).
std::string_view usage_tail(const UsagePage& page, const CommandSpec* only) {
  for (const auto& [name, tail] : OWN_EXIT_STATUS) {
    if (only && only->name == name) return tail;
  }
  return page.tail;
}

// The column help starts in; a label too wide for it puts help on the
// next line.
constexpr std::size_t HELP_COLUMN = 20;
constexpr std::size_t LABEL_INDENT = 2;

// A label and its help, the help's lines one under the other; `listing`
// goes after the help's first line.
void append_entry(std::string& out, std::string_view label,
                  std::string_view help, std::string_view listing = {}) {
  out.append(LABEL_INDENT, ' ');
  out.append(label);
  if (LABEL_INDENT + label.size() + 2 <= HELP_COLUMN) {
    out.append(HELP_COLUMN - LABEL_INDENT - label.size(), ' ');
  } else {
    out += '\n';
    out.append(HELP_COLUMN, ' ');
  }
  bool first = true;
  const auto line = [&](std::string_view text) {
    if (!first) out.append(HELP_COLUMN, ' ');
    first = false;
    out.append(text);
    out += '\n';
  };
  std::size_t start = 0;
  while (start <= help.size()) {
    const std::size_t end = std::min(help.find('\n', start), help.size());
    line(help.substr(start, end - start));
    if (start == 0) {
      for (std::size_t at = 0; at < listing.size();) {
        const std::size_t stop = listing.find('\n', at);
        line(listing.substr(at, stop - at));
        at = stop + 1;
      }
    }
    start = end + 1;
  }
}

}  // namespace

// The options of `page`, those of the one command `only` if given, with
// that command's "NAME: " taken off the front of their help.
void append_options(std::string& out, Page page, const CommandSpec* only) {
  for (const OptionSpec& option : option_table()) {
    std::string_view help = option.help[static_cast<std::size_t>(page)];
    if (help.empty()) continue;
    if (only && !option.only_for.empty()) {
      if (option.only_for != only->name) continue;
      std::string prefix(option.only_for);
      prefix += ": ";
      if (help.starts_with(prefix)) help.remove_prefix(prefix.size());
    }
    std::string label;
    if (!option.short_name.empty()) {
      label = std::string(option.short_name) + ", ";
    }
    label += std::string(option.name) + std::string(option.value);
    append_entry(out, label, help, option.listing ? option.listing() : "");
  }
}

// The summary of a command as a sentence: capital first, full stop last,
// its lines as the table breaks them.
std::string sentence(std::string_view summary) {
  std::string out(summary);
  if (!out.empty() && out.front() >= 'a' && out.front() <= 'z') {
    out.front() = static_cast<char>(out.front() - 'a' + 'A');
  }
  return out + ".\n";
}

std::string usage_text(const CommandSpec* command) {
  const Page page = command ? command->page : Page::main;
  const UsagePage& text = PAGES[static_cast<std::size_t>(page)];
  // A command of the main page gets a page of its own from the tables; fmt
  // has one written out.
  const CommandSpec* only = page == Page::main ? command : nullptr;
  std::string out;
  if (only) {
    // Appended piece by piece: GCC 12 warns wrongly of overlap on
    // `"literal" + string`.
    out = "Usage: jrl ";
    out += only->name;
    out += " [options]";
    if (!only->operands.empty()) {
      out += ' ';
      out += only->operands;
    }
    out += "\n\n";
    out += sentence(only->summary);
    out += '\n';
    if (!only->operands.empty() && only->missing.find("standard input") != std::string_view::npos) {
      out += "A FILE or PATH of - reads standard input.\n\n";
    }
    out += "Options:\n";
  } else {
    out = text.head;
    if (text.lists_commands) {
      for (const CommandSpec& c : command_table()) {
        std::string label(c.name);
        if (!c.operands.empty()) {
          label += ' ';
          label += c.operands;
        }
        append_entry(out, label, c.summary);
      }
    }
    out += text.options_head;
  }
  append_options(out, page, only);
  out += usage_tail(text, only);
  return out;
}

std::string usage_error_text(const UsageError& error) {
  std::string out = "jrl: ";
  out += error.message;
  out += "\nTry '";
  out += help_command(error.page);
  out += "' for more information.\n";
  return out;
}

std::string_view help_command(Page page) {
  return PAGES[static_cast<std::size_t>(page)].help_command;
}

}  // namespace jrl::cli
