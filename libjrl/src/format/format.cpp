// jrl::format: one grammar run checks the text as parse does, so that only a
// text with a meaning is laid out and a fault is reported exactly as parse
// reports it; its tree gives the tokens of each requirement in turn, whose
// lines are broken and printed as they come.
#include "jrl/format.hpp"

#include <vector>

#include "jrl/position.hpp"
#include "format/printer.hpp"
#include "format/token_stream.hpp"

namespace jrl {
namespace {

class Layout final : public formatting::ChunkSink {
 public:
  Layout(std::string_view text, std::size_t width)
      : printer_(text), width_(width) {}

  void take(formatting::TokenStream& chunk) override {
    formatting::break_lines(chunk, width_, scratch_);
    printer_.print(chunk);
  }

  std::string finish() && { return std::move(printer_).finish(); }

 private:
  formatting::Printer printer_;
  std::size_t width_;
  std::vector<std::size_t> scratch_;
};

}  // namespace

std::expected<std::string, Error> format(std::string_view text,
                                         const FormatOptions& options) {
  // A byte-order mark is no part of the requirements; it stays in front of
  // them, and a file with none (blank lines and a mark) formats to nothing,
  // as an empty file does.
  const std::size_t bom = byte_order_mark_length(text);
  const std::string_view body = text.substr(bom);
  Layout layout(body, options.width);
  if (auto read = formatting::read_tokens(body, layout); !read) {
    return std::unexpected(std::move(read.error()));
  }
  std::string out = std::move(layout).finish();
  if (bom > 0 && !out.empty()) out.insert(0, text.substr(0, bom));
  return out;
}

}  // namespace jrl
