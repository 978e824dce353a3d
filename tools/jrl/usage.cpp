#include "usage.hpp"

#include <array>

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
     "already was), 1 when a file would change or failed to parse, 2 on a "
     "usage\n"
     "error or a file that cannot be read or written.\n"},
}};

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

std::string usage_text(Page page) {
  const UsagePage& text = PAGES[static_cast<std::size_t>(page)];
  std::string out(text.head);
  if (text.lists_commands) {
    for (const CommandSpec& command : command_table()) {
      append_entry(out, std::string(command.name) + " " +
                            std::string(command.operands),
                   command.summary);
    }
  }
  out += text.options_head;
  for (const OptionSpec& option : option_table()) {
    const std::string_view help = option.help[static_cast<std::size_t>(page)];
    if (help.empty()) continue;
    std::string label;
    if (!option.short_name.empty()) {
      label = std::string(option.short_name) + ", ";
    }
    label += std::string(option.name) + std::string(option.value);
    append_entry(out, label, help, option.listing ? option.listing() : "");
  }
  out += text.tail;
  return out;
}

std::string_view help_command(Page page) {
  return PAGES[static_cast<std::size_t>(page)].help_command;
}

}  // namespace jrl::cli
