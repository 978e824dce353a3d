// `jrl fmt`: rewrites requirements files in the canonical layout. It reads
// its own options so that it stands apart from the other commands.
//
// A file is rewritten by writing a temporary file beside it and renaming
// that over it, with the original's permissions, so a crash or a full disk
// never leaves half a file. A file that does not parse is reported as
// `jrl check` reports it and left as it is.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "colour.hpp"
#include "commands.hpp"
#include "reporter.hpp"
#include "input_file.hpp"
#include "jrl/format.hpp"
#include "output.hpp"
#include "unified_diff.hpp"

namespace jrl::cli {
namespace {

namespace fs = std::filesystem;

struct FmtOptions {
  bool check = false;  // change nothing; exit 1 when a file would change
  bool diff = false;   // change nothing; print what would change
  bool help = false;
  FormatOptions format;
  ColourMode colour = ColourMode::automatic;
  std::vector<std::string> paths;
};

std::expected<FmtOptions, std::string> parse_fmt_options(
    std::span<const std::string_view> args) {
  FmtOptions options;
  bool only_paths = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (only_paths || arg == "-" || arg.empty() || arg.front() != '-') {
      options.paths.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      only_paths = true;
    } else if (arg == "-h" || arg == "--help") {
      options.help = true;
      return options;
    } else if (arg == "--check") {
      options.check = true;
    } else if (arg == "--diff") {
      options.diff = true;
    } else {
      const auto eq = arg.find('=');
      const std::string_view name = arg.substr(0, eq);
      if (name != "--width" && name != "--color") {
        return std::unexpected("unknown option " + quoted(arg));
      }
      std::string_view value;
      if (eq != std::string_view::npos) {
        value = arg.substr(eq + 1);
      } else if (i + 1 < args.size()) {
        value = args[++i];
      } else {
        return std::unexpected("option " + quoted(name) + " needs a value");
      }
      if (name == "--width") {
        std::size_t width = 0;
        const auto [end, ec] =
            std::from_chars(value.data(), value.data() + value.size(), width);
        if (ec != std::errc() || end != value.data() + value.size() ||
            width == 0) {
          return std::unexpected("invalid value " + quoted(value) +
                                 " for '--width' (expected a positive "
                                 "number)");
        }
        options.format.width = width;
      } else if (value == "auto") {
        options.colour = ColourMode::automatic;
      } else if (value == "always") {
        options.colour = ColourMode::always;
      } else if (value == "never") {
        options.colour = ColourMode::never;
      } else {
        return std::unexpected("invalid value " + quoted(value) +
                               " for '--color' (expected auto, always or "
                               "never)");
      }
    }
  }
  if (options.paths.empty()) {
    return std::unexpected(
        "'jrl fmt' needs a file or directory (use - for standard input)");
  }
  return options;
}

std::string system_failure(std::string_view what, std::string_view path,
                           int error_number) {
  std::string out(what);
  out.push_back(' ');
  out.append(path);
  out.append(": ");
  out.append(std::strerror(error_number));
  return out;
}

// Writes `content` to a new file beside `path` and renames it over `path`,
// keeping the original's permissions (and owner, where allowed). Follows a
// symbolic link to the file it names.
std::expected<void, std::string> replace_file(const std::string& path,
                                              std::string_view content) {
  std::error_code ec;
  fs::path target = path;
  if (fs::is_symlink(target, ec)) {
    target = fs::canonical(target, ec);
    if (ec)
      return std::unexpected(system_failure("cannot write", path, ec.value()));
  }
  struct stat original{};
  if (::stat(target.c_str(), &original) != 0) {
    return std::unexpected(system_failure("cannot write", path, errno));
  }
  std::string hidden_name = ".";
  hidden_name.append(target.filename().string());
  hidden_name.append(".fmt-XXXXXX");
  std::string temporary = (target.parent_path() / hidden_name).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0)
    return std::unexpected(system_failure("cannot write", path, errno));
  auto fail = [&](int error_number) {
    ::close(fd);
    ::unlink(temporary.c_str());
    return std::unexpected(system_failure("cannot write", path, error_number));
  };
  std::size_t written = 0;
  while (written < content.size()) {
    const ssize_t n =
        ::write(fd, content.data() + written, content.size() - written);
    if (n < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    written += static_cast<std::size_t>(n);
  }
  if (::fchmod(fd, original.st_mode & 07777) != 0) return fail(errno);
  // Another owner's file keeps its owner when we may give it; when we may
  // not, the new file is ours, as any editor's save would make it.
  if (::fchown(fd, original.st_uid, original.st_gid) != 0) {
    ::fchown(fd, static_cast<uid_t>(-1), original.st_gid);
  }
  if (::fsync(fd) != 0) return fail(errno);
  if (::close(fd) != 0) {
    const int error_number = errno;
    ::unlink(temporary.c_str());
    return std::unexpected(system_failure("cannot write", path, error_number));
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int error_number = errno;
    ::unlink(temporary.c_str());
    return std::unexpected(system_failure("cannot write", path, error_number));
  }
  return {};
}

// The files a path stands for: itself, or every *.jrl file below a
// directory, sorted by path.
std::expected<std::vector<std::string>, std::string> expand(
    const std::string& path) {
  std::error_code ec;
  if (path == "-" || !fs::is_directory(path, ec)) return std::vector{path};
  std::vector<std::string> files;
  fs::recursive_directory_iterator it(path, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& entry = *it;
    if (entry.path().extension() == ".jrl" && entry.is_regular_file(ec)) {
      files.push_back(entry.path().string());
    }
  }
  if (ec)
    return std::unexpected(system_failure("cannot read", path, ec.value()));
  std::sort(files.begin(), files.end());
  return files;
}

class Formatter {
 public:
  explicit Formatter(const FmtOptions& options)
      : options_(options),
        colour_(colour_enabled(options.colour, STDERR_FILENO)),
        reporter_(text_reporter({colour_, isatty(STDERR_FILENO) == 1})) {}

  int file(const std::string& path) {
    const std::string name = display_name(path);
    auto content = read_input(path);
    if (!content) return usage_failure(content.error());
    // A byte-order mark is not part of the text, as every other command
    // reads it; it stays at the start of the file.
    const std::string_view body = without_bom(*content);
    auto formatted = jrl::format(body, options_.format);
    if (formatted) {
      formatted->insert(0, std::string_view(*content).substr(
                               0, content->size() - body.size()));
    }
    if (!formatted) {
      // Reported exactly as `jrl check` reports the file.
      reporter_->file(name, *content, jrl::check(*content));
      return EXIT_FAILED;
    }
    const bool changed = *formatted != *content;
    if (options_.check || options_.diff) {
      if (!changed) return EXIT_OK;
      if (options_.diff)
        write_out(stdout, unified_diff(name, *content, *formatted));
      if (options_.check) write_out(stdout, name + "\n");
      return EXIT_FAILED;
    }
    if (path == "-") {
      write_out(stdout, *formatted);
      return EXIT_OK;
    }
    if (!changed) return EXIT_OK;
    if (auto written = replace_file(path, *formatted); !written) {
      return usage_failure(written.error());
    }
    return EXIT_OK;
  }

  // The closing count of failing files, as `jrl check` ends.
  void finish() { reporter_->finish(); }

  int usage_failure(const std::string& message) {
    write_out(stderr, error_label(colour_) + ": " + message + "\n");
    return EXIT_USAGE;
  }

 private:
  const FmtOptions& options_;
  bool colour_;
  std::unique_ptr<Reporter> reporter_;
};

}  // namespace

std::string fmt_usage_text() {
  return R"(Usage: jrl fmt [--check] [--diff] [--width N] PATH...

Rewrites JRL requirements files in place in the canonical layout. A
directory stands for every *.jrl file below it; - reads standard input and
writes the result to standard output. A file that does not parse is
reported and left as it is.

Options:
  --check           change nothing; name each file that would change and
                    exit with 1 if there is one
  --diff            change nothing; print a unified diff of each file that
                    would change and exit with 1 if there is one
  --width N         the line width to aim for (default 100)
  --color=WHEN      colour failure reports: auto (default), always or never
  -h, --help        print this help and exit

Exit status: 0 when every file is formatted (or, with --check or --diff,
already was), 1 when a file would change or failed to parse, 2 on a usage
error or a file that cannot be read or written.
)";
}

int run_fmt(std::span<const std::string_view> args) {
  const auto options = parse_fmt_options(args);
  if (!options) {
    write_out(stderr, "jrl: " + options.error() +
                          "\nTry 'jrl fmt --help' for more information.\n");
    return EXIT_USAGE;
  }
  if (options->help) {
    write_out(stdout, fmt_usage_text());
    return EXIT_OK;
  }
  Formatter formatter(*options);
  int status = EXIT_OK;
  for (const std::string& path : options->paths) {
    auto files = expand(path);
    if (!files) {
      status = std::max(status, formatter.usage_failure(files.error()));
      continue;
    }
    for (const std::string& file : *files) {
      status = std::max(status, formatter.file(file));
    }
  }
  formatter.finish();
  return status;
}

}  // namespace jrl::cli
