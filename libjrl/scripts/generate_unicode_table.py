#!/usr/bin/env python3
"""Writes libjrl/src/parser/unicode_table.cpp from the Unicode Character Database.

The debug text escapes a character that is grapheme-extending or not
printable; the command-line tool lines report marks up under characters
that take two terminal cells (East Asian Width W or F) or none (general
category Mn, Me or Cf). Each property is kept as sorted, merged code point
ranges, looked up by binary search. Rerun this script when moving to a new
Unicode version and commit its output, so that building never needs the
database (Debian's unicode-data package has it in /usr/share/unicode).

Usage: generate_unicode_table.py [--ucd DIR] [--output FILE]
"""

import argparse
import pathlib
import re
import sys

MAX_CODE_POINT = 0x10FFFF

# General categories of the characters that are not printable. Cn
# (unassigned) has no lines in UnicodeData.txt: it is every code point the
# file leaves out. Zs counts except for the space itself.
NON_PRINTABLE_CATEGORIES = {"Cc", "Cf", "Cs", "Co", "Cn", "Zl", "Zp", "Zs"}
SPACE = 0x20
# General categories of the characters that take no terminal cell.
ZERO_WIDTH_CATEGORIES = {"Mn", "Me", "Cf"}
# Below this code point every character takes one cell.
FIRST_NOT_ONE_CELL = 0x300

# The library answers code points below this bound from a bitmap.
LATIN1_END = 0x100


def read_general_categories(path):
    """Returns a list mapping each code point to its general category."""
    categories = ["Cn"] * (MAX_CODE_POINT + 1)
    range_first = None
    with open(path, encoding="utf-8") as f:
        for line_number, line in enumerate(f, 1):
            line = line.strip()
            if not line:
                continue
            fields = line.split(";")
            code = int(fields[0], 16)
            name = fields[1]
            category = fields[2]
            if name.endswith(", First>"):
                range_first = (code, category)
                continue
            if name.endswith(", Last>"):
                if range_first is None or range_first[1] != category:
                    sys.exit(f"{path}:{line_number}: unmatched range end")
                for c in range(range_first[0], code + 1):
                    categories[c] = category
                range_first = None
                continue
            if range_first is not None:
                sys.exit(f"{path}:{line_number}: range start without its end")
            categories[code] = category
    if range_first is not None:
        sys.exit(f"{path}: range start without its end at end of file")
    return categories


def read_property(path, wanted):
    """Returns the set of code points that have the binary property `wanted`."""
    pattern = re.compile(r"^([0-9A-F]+)(?:\.\.([0-9A-F]+))?\s*;\s*(\w+)")
    code_points = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            match = pattern.match(line)
            if not match or match.group(3) != wanted:
                continue
            first = int(match.group(1), 16)
            last = int(match.group(2), 16) if match.group(2) else first
            code_points.update(range(first, last + 1))
    if not code_points:
        sys.exit(f"{path}: no code point has the property {wanted}")
    return code_points


def read_wide(path):
    """Returns the set of code points of East Asian Width W or F.

    Code points the file does not list are N (its @missing line); the
    unassigned ones that default to W are listed explicitly.
    """
    pattern = re.compile(r"^([0-9A-F]+)(?:\.\.([0-9A-F]+))?;(\w+)")
    wide = set()
    with open(path, encoding="utf-8") as f:
        for line in f:
            match = pattern.match(line)
            if not match or match.group(3) not in ("W", "F"):
                continue
            first = int(match.group(1), 16)
            last = int(match.group(2), 16) if match.group(2) else first
            wide.update(range(first, last + 1))
    if not wide:
        sys.exit(f"{path}: no code point is wide")
    return wide


def to_ranges(predicate):
    """Merges the code points satisfying `predicate` into (first, last) pairs."""
    ranges = []
    for c in range(MAX_CODE_POINT + 1):
        if not predicate(c):
            continue
        if ranges and ranges[-1][1] == c - 1:
            ranges[-1][1] = c
        else:
            ranges.append([c, c])
    return ranges


def read_version(path):
    with open(path, encoding="utf-8") as f:
        match = re.match(r"# DerivedCoreProperties-([0-9.]+)\.txt", f.readline())
    return match.group(1) if match else "unknown"


def format_ranges(name, ranges):
    lines = [f"constexpr Range {name}[] = {{"]
    row = []
    for first, last in ranges:
        row.append(f"{{0x{first:X}, 0x{last:X}}},")
        if len(row) == 4:
            lines.append("    " + " ".join(row))
            row = []
    if row:
        lines.append("    " + " ".join(row))
    lines.append("};")
    return "\n".join(lines)


def format_bitmap(name, predicate):
    words = []
    for base in range(0, LATIN1_END, 64):
        word = 0
        for bit in range(64):
            if predicate(base + bit):
                word |= 1 << bit
        words.append(f"0x{word:016X}u")
    body = ",\n    ".join(", ".join(words[i:i + 2]) for i in range(0, len(words), 2))
    return f"constexpr std::uint64_t {name}[] = {{\n    {body},\n}};"


TEMPLATE = """\
// Generated by libjrl/scripts/generate_unicode_table.py from the Unicode
// Character Database {version} (UnicodeData.txt, DerivedCoreProperties.txt,
// EastAsianWidth.txt).
// Do not edit by hand: rerun the script and commit its output.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>

#include "parser/unicode_properties.hpp"

namespace jrl::unicode {{
namespace {{

struct Range {{
  char32_t first;
  char32_t last;
}};

// clang-format off

// Code points below U+0100 that are printable, one bit each.
{latin1_printable}

// No code point below this one is grapheme-extending.
constexpr char32_t FIRST_GRAPHEME_EXTEND = 0x{first_extend:X};

// Grapheme_Extend, {extend_count} ranges.
{extend_ranges}

// Not printable: general category Cc, Cf, Cs, Co, Cn, Zl, Zp, or Zs other
// than U+0020; {non_printable_count} ranges.
{non_printable_ranges}

// Two terminal cells: East Asian Width W or F; {wide_count} ranges.
{wide_ranges}

// No terminal cell: general category Mn, Me or Cf; {zero_width_count} ranges.
{zero_width_ranges}

// clang-format on

// Binary search for the range holding `c` in sorted, disjoint ranges.
template <std::size_t N>
bool in_ranges(const Range (&ranges)[N], char32_t c) {{
  const Range* after = std::upper_bound(
      std::begin(ranges), std::end(ranges), c,
      [](char32_t value, const Range& range) {{ return value < range.first; }});
  return after != std::begin(ranges) && c <= std::prev(after)->last;
}}

}}  // namespace

bool is_grapheme_extend(char32_t c) {{
  if (c < FIRST_GRAPHEME_EXTEND) return false;
  return in_ranges(GRAPHEME_EXTEND, c);
}}

bool is_printable(char32_t c) {{
  if (c > 0x{max_code_point:X}) return false;  // not a code point
  if (c < 0x{latin1_end:X}) return (LATIN1_PRINTABLE[c / 64] >> (c % 64)) & 1u;
  return !in_ranges(NON_PRINTABLE, c);
}}

int cell_width(char32_t c) {{
  if (c < 0x{first_not_one_cell:X}) return 1;
  if (in_ranges(ZERO_WIDTH, c)) return 0;
  return in_ranges(WIDE, c) ? 2 : 1;
}}

}}  // namespace jrl::unicode
"""


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--ucd", default="/usr/share/unicode",
                        help="directory holding UnicodeData.txt and "
                        "DerivedCoreProperties.txt")
    parser.add_argument("--output",
                        default=str(root / "src/parser/unicode_table.cpp"))
    args = parser.parse_args()

    ucd = pathlib.Path(args.ucd)
    categories = read_general_categories(ucd / "UnicodeData.txt")
    derived = ucd / "DerivedCoreProperties.txt"
    extend = read_property(derived, "Grapheme_Extend")

    def non_printable(c):
        return c != SPACE and categories[c] in NON_PRINTABLE_CATEGORIES

    wide = read_wide(ucd / "EastAsianWidth.txt")

    extend_ranges = to_ranges(lambda c: c in extend)
    wide_ranges = to_ranges(lambda c: c >= FIRST_NOT_ONE_CELL and c in wide)
    zero_width_ranges = to_ranges(
        lambda c: c >= FIRST_NOT_ONE_CELL
        and categories[c] in ZERO_WIDTH_CATEGORIES)
    non_printable_ranges = to_ranges(non_printable)
    text = TEMPLATE.format(
        version=read_version(derived),
        latin1_printable=format_bitmap("LATIN1_PRINTABLE",
                                       lambda c: not non_printable(c)),
        latin1_end=LATIN1_END,
        max_code_point=MAX_CODE_POINT,
        first_extend=min(extend),
        extend_count=len(extend_ranges),
        extend_ranges=format_ranges("GRAPHEME_EXTEND", extend_ranges),
        non_printable_count=len(non_printable_ranges),
        non_printable_ranges=format_ranges("NON_PRINTABLE",
                                           non_printable_ranges),
        first_not_one_cell=FIRST_NOT_ONE_CELL,
        wide_count=len(wide_ranges),
        wide_ranges=format_ranges("WIDE", wide_ranges),
        zero_width_count=len(zero_width_ranges),
        zero_width_ranges=format_ranges("ZERO_WIDTH", zero_width_ranges),
    )
    pathlib.Path(args.output).write_text(text, encoding="utf-8")


if __name__ == "__main__":
    main()
