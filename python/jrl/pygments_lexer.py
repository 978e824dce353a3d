"""Syntax highlighting of JRL requirements files for Pygments.

Pygments finds the lexer through the ``pygments.lexers`` entry point of the
installed package, under the alias ``jrl`` and for files named ``*.jrl``.

The lexer follows the language's form closely enough that a file the parser
accepts never yields an ``Error`` token, including files that are only wrong
in meaning (an unknown department or function, a number out of range). Text
that can never be part of a file, such as an unterminated string, a
department code of four lower-case letters or a stray character, is marked
``Error``.
"""

from pygments.lexer import RegexLexer, bygroups, default, include
from pygments.token import (
    Comment,
    Error,
    Keyword,
    Name,
    Number,
    Operator,
    Punctuation,
    String,
    Whitespace,
)

from ._selector_functions import selector_functions

__all__ = ["JrlLexer"]

# What may follow a function name: anything but a word character.
_END_OF_WORD = r"(?![A-Za-z0-9_])"

# The selector functions, each longer name before the shorter one it starts with.
_FUNCTIONS = tuple(sorted((f.name for f in selector_functions()), key=len, reverse=True))
_FUNCTION_NAMES = "|".join(_FUNCTIONS + tuple(f.lower() for f in _FUNCTIONS))

# A course: a department code, spaces, four digits and the optional lab
# marker. Codes of four characters are capitals or "&"; codes of one to three
# or of five or more letters of either case are read too (the parser reports
# them as wrong in meaning), but four lower-case letters are never a course.
_COURSE = (
    r"(?<![A-Za-z0-9_&])((?:[A-Za-z]{5,}|[A-Z&]{4}|[A-Za-z]{1,3})(?![A-Za-z&]))"
    r"( *)"
    r"([0-9]{4}L?)" + _END_OF_WORD
)


class JrlLexer(RegexLexer):
    """Lexer for JRL, the language of course requirements files."""

    name = "JRL"
    aliases = ["jrl"]
    filenames = ["*.jrl"]
    mimetypes = ["text/x-jrl"]
    url = "https://github.com/libjrl/libjrl"

    tokens = {
        "blank": [
            (r"[ \t\r\n]+", Whitespace),
            (r"//[^\n]*", Comment.Single),
        ],
        "string": [
            # Only a string closed on its own line is one; its closing quote
            # is the first one not paired with the next. The rest of a line
            # after an unclosed quote is an error.
            (r'"(?=(?:""|[^"\r\n])*"(?!"))', String.Double, "string-body"),
            (r'"[^\r\n]*', Error),
        ],
        "string-body": [
            (r'""', String.Escape),
            (r'[^"\r\n]+', String.Double),
            (r'"', String.Double, "#pop"),
        ],
        "root": [
            include("blank"),
            # A keyword needs no space before its quantity: "SELECT2" is
            # "SELECT 2"; "SELECTED" is a word.
            (r"(?:SELECT|LIMIT)(?![A-Za-z_])", Keyword, "quantity"),
            (r"(?:%s)%s" % (_FUNCTION_NAMES, _END_OF_WORD), Name.Function),
            # Any other word: a misspelt keyword or an unknown function.
            (r"[A-Za-z_][A-Za-z0-9_]*", Name),
            (r"[0-9]+", Number.Integer),
            include("string"),
            (r"\(", Punctuation, "arguments"),
            (r"[\[\],:;]", Punctuation),
        ],
        # After SELECT or LIMIT: the quantity, then FROM, which may follow
        # the number directly ("2FROM") and be followed directly by the
        # selector ("FROMCLASS(...)").
        "quantity": [
            include("blank"),
            (r"([0-9]+)(-)([0-9]+)", bygroups(Number.Integer, Operator, Number.Integer), ("#pop", "from")),
            (r"[0-9]+", Number.Integer, ("#pop", "from")),
            default("#pop"),
        ],
        "from": [
            include("blank"),
            (r"FROM", Keyword, "#pop"),
            default("#pop"),
        ],
        "arguments": [
            include("blank"),
            (_COURSE, bygroups(Name.Namespace, Whitespace, Number.Integer)),
            include("string"),
            (r",", Punctuation),
            (r"\)", Punctuation, "#pop"),
            # An argument list left open ends where the statement goes on, so
            # that one missing ")" does not make the rest of the file errors.
            (r"(?=[\[\]:;])", Whitespace, "#pop"),
        ],
    }
