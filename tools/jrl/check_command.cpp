#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <expected>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "colour.hpp"
#include "file_catalogues.hpp"
#include "commands.hpp"
#include "fix_files.hpp"
#include "input_file.hpp"
#include "input_paths.hpp"
#include "jrl/catalogue_check.hpp"
#include "jrl/jrl.hpp"
#include "output.hpp"
#include "reporter.hpp"
#include "usage.hpp"

namespace jrl::cli {
namespace {

std::string requirement_count(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " requirement" : " requirements");
}

std::unique_ptr<Reporter> reporter_for(const Options& options) {
  const bool terminal = isatty(STDERR_FILENO) == 1;
  // A good check says so in one line, on a terminal only.
  return options.format->make({colour_enabled(options.colour, STDERR_FILENO),
                               terminal, terminal});
}

// The report of one file, made on any thread.
struct Outcome {
  std::string name;
  // Why the file is unreadable; else nothing (its text is dropped once its
  // report is rendered).
  std::expected<void, std::string> content;
  FileReport rendered;
  int status = EXIT_OK;
  std::optional<std::size_t> good_count;  // --verbose: a good file's size
  FixedFile fixed;                        // --fix: its diff, what it did
  std::exception_ptr failure;             // out of memory, to rethrow
};

class Checker {
 public:
  Checker(const Options& options, const Reporter& reporter,
          const FileCatalogues* catalogues = nullptr)
      : options_(options), reporter_(reporter), catalogues_(catalogues) {}

  // Checks one file and renders its report; changes no shared state, so it
  // runs on any thread.
  Outcome check(const InputPath& input) const {
    Outcome out;
    try {
      const std::string& path = input.path;
      out.name = path == "-" && !options_.stdin_filename.empty()
                     ? options_.stdin_filename
                     : display_name(path);
      std::expected<std::string, std::string> content;
      if (options_.fix || options_.diff) {
        auto fixed = fix_file(input, out.name, options_);
        if (fixed) {
          out.fixed = std::move(*fixed);
          content = std::move(out.fixed.text);
        } else {
          content = std::unexpected(std::move(fixed.error()));
        }
      } else {
        content = read_input(path, input.walked ? Links::refuse : Links::follow);
      }
      if (!content) {
        out.content = std::unexpected(content.error());
        out.status = EXIT_USAGE;
        return out;
      }
      CheckOptions check_options;
      check_options.warnings = options_.warnings != WarningMode::ignore;
      // --verbose counts the requirements of a good file: the analysis
      // holds them, from the same reading.
      std::optional<Analysis> analysis;
      const Catalogue* catalogue = catalogues_ ? catalogues_->find(path) : nullptr;
      if (options_.verbose || catalogue) analysis = jrl::analyse(*content, check_options);
      if (catalogue) add_catalogue_warnings(*content, *analysis, *catalogue, check_options);
      const std::vector<Diagnostic> diagnostics =
          analysis ? std::move(analysis->diagnostics)
                   : jrl::check(*content, check_options);
      for (const Diagnostic& d : diagnostics) {
        if (d.severity == Severity::error ||
            options_.warnings == WarningMode::error) {
          out.status = EXIT_FAILED;
        }
      }
      out.rendered = reporter_.render(out.name, diagnostics);
      if (options_.verbose && analysis && out.status == EXIT_OK) {
        out.good_count = analysis->parsed.parsed_jrl_file.requirements.size();
      }
    } catch (...) {
      out.failure = std::current_exception();
    }
    return out;
  }

  // Reports one outcome; on the main thread, in the order of the files.
  static int report(Reporter& reporter, Outcome out) {
    if (out.failure) std::rethrow_exception(out.failure);
    if (!out.content) {
      reporter.unreadable(out.name, out.content.error());
      return out.status;
    }
    write_out(stdout, out.fixed.output);
    write_out(stderr, out.fixed.note);
    reporter.write(std::move(out.rendered));
    if (out.good_count) {
      write_out(stdout, escape_line(out.name) + ": ok (" +
                            requirement_count(*out.good_count) + ")\n");
    }
    return out.status;
  }

 private:
  const Options& options_;
  const Reporter& reporter_;
  const FileCatalogues* catalogues_;
};

// Checks the files on `jobs` threads; the caller takes each outcome in the
// order of the files, as soon as it is done. At most a few outcomes per
// thread wait to be reported, so memory stays that of a few files.
class Pool {
 public:
  Pool(const Checker& checker, const std::vector<InputPath>& paths,
       unsigned jobs)
      : checker_(checker),
        paths_(paths),
        outcomes_(paths.size()),
        window_(2 * std::size_t{jobs}) {
    // A thread the system refuses leaves the work to the others; with none,
    // the caller checks the files itself.
    try {
      for (unsigned i = 0; i < jobs; ++i) {
        threads_.emplace_back([this] { work(); });
      }
    } catch (const std::exception&) {  // no thread, or no memory for one
    }
  }

  bool started() const { return !threads_.empty(); }

  ~Pool() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
  }

  // The outcome of task `i`, once ready; the caller takes it and so lets a
  // thread move on to a later task.
  Outcome take(std::size_t i) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return outcomes_[i].has_value(); });
    Outcome out = std::move(*outcomes_[i]);
    outcomes_[i].reset();
    reported_ = i + 1;
    changed_.notify_all();
    return out;
  }

 private:
  void work() {
    for (;;) {
      std::size_t i = 0;
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] {
          return stopping_ || next_ == paths_.size() ||
                 next_ < reported_ + window_;
        });
        if (stopping_ || next_ == paths_.size()) return;
        i = next_++;
      }
      Outcome out = checker_.check(paths_[i]);
      {
        const std::lock_guard lock(mutex_);
        outcomes_[i] = std::move(out);
      }
      changed_.notify_all();
    }
  }

  const Checker& checker_;
  const std::vector<InputPath>& paths_;
  std::vector<std::optional<Outcome>> outcomes_;
  const std::size_t window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::size_t next_ = 0;      // the next file to start
  std::size_t reported_ = 0;  // files before this one are taken
  bool stopping_ = false;
  // Last, so that the threads are joined before the state they use goes.
  std::vector<std::jthread> threads_;
};

}  // namespace

int run_check(const Options& options) {
  const auto expanded = expand_paths(options.files);
  if (!expanded) {
    write_out(stderr, usage_error_text({escape_controls(expanded.error()),
                                        options.command->page}));
    return EXIT_USAGE;
  }
  const std::vector<InputPath>& inputs = *expanded;
  std::vector<InputPath> files;
  for (const InputPath& input : inputs) {
    if (input.failure.empty()) files.push_back(input);
  }
  const unsigned jobs =
      static_cast<unsigned>(std::min<std::size_t>(options.jobs, files.size()));

  const auto catalogues = FileCatalogues::load(options, files);
  if (!catalogues) {
    write_out(stderr, error_label(colour_enabled(options.colour, STDERR_FILENO)) + ": " +
                          escape_controls(catalogues.error()) + "\n");
    return EXIT_USAGE;
  }
  const std::unique_ptr<Reporter> reporter = reporter_for(options);
  const Checker checker(options, *reporter, &*catalogues);
  int status = EXIT_OK;
  std::optional<Pool> pool;
  if (jobs > 1) {
    pool.emplace(checker, files, jobs);
    if (!pool->started()) pool.reset();
  }
  std::size_t file = 0;
  for (const InputPath& input : inputs) {
    if (!input.failure.empty()) {
      reporter->unreadable(input.path, input.failure);
      status = std::max(status, EXIT_USAGE);
      continue;
    }
    Outcome out = pool ? pool->take(file) : checker.check(input);
    ++file;
    status = std::max(status, Checker::report(*reporter, std::move(out)));
  }
  reporter->finish();
  return status;
}

}  // namespace jrl::cli
