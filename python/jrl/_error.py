"""The exception raised for a file that does not parse."""

from typing import TYPE_CHECKING, Optional, Tuple

if TYPE_CHECKING:  # the native part imports this module as it starts
    from ._native import Suggestion


class ParseError(ValueError):
    """A requirements text that does not parse.

    ``str(error)`` is what ``jrl check`` prints for it: the headline (its
    code and message, e.g. ``error[JRL020]: cannot select zero``), then the
    whole report exactly as ``pylibjrl`` gives it (with the file named in its
    header when a path was given). The fields describe the innermost error
    of the report's chain:

    - ``message``: its message, e.g. ``"cannot select zero"``;
    - ``line``, ``column``: where it starts (from 1, columns in characters),
      ``None`` for an error without a place in the text;
    - ``end_line``, ``end_column``: where a span ends (one column past its
      last character); ``None`` for an error at a single position;
    - ``offset``: the index in the parsed text of its first character, or
      ``None``; for :func:`jrl.load`, in the file's text after any BOM;
    - ``context``: the messages wrapped around it, outermost first, e.g.
      ``("failed parsing selector",)``;
    - ``code``: the diagnostic code of the fault (``"JRL"`` and three
      digits), the code :func:`jrl.check` gives this error; ``None`` only
      for an error built by hand without one;
    - ``suggestions``: the fixes :func:`jrl.check` proposes for it (a tuple
      of :class:`jrl.Suggestion`, offsets into the parsed text as
      ``offset`` is);
    - ``report``: the report, ``str(error)`` without its headline;
    - ``path``: the path given to :func:`jrl.parse` or :func:`jrl.load`,
      or ``None``;
    - ``headline``: the lines before the report in ``str(error)`` (with a
      ``help:`` line when :func:`jrl.parse` was given what looks like a
      path); empty for an error built by hand without one.
    """

    report: str
    message: str
    line: Optional[int]
    column: Optional[int]
    end_line: Optional[int]
    end_column: Optional[int]
    offset: Optional[int]
    context: Tuple[str, ...]
    code: Optional[str]
    suggestions: Tuple["Suggestion", ...]
    path: Optional[str]
    headline: str

    def __init__(
        self,
        report: str,
        *,
        message: Optional[str] = None,
        line: Optional[int] = None,
        column: Optional[int] = None,
        end_line: Optional[int] = None,
        end_column: Optional[int] = None,
        offset: Optional[int] = None,
        context: Tuple[str, ...] = (),
        code: Optional[str] = None,
        suggestions: Tuple["Suggestion", ...] = (),
        path: Optional[str] = None,
        headline: str = "",
    ) -> None:
        super().__init__(report)
        self.report = report
        self.message = report if message is None else message
        self.line = line
        self.column = column
        self.end_line = end_line
        self.end_column = end_column
        self.offset = offset
        self.context = tuple(context)
        self.code = code
        self.suggestions = tuple(suggestions)
        self.path = path
        self.headline = headline

    def __str__(self) -> str:
        if not self.headline:
            return self.report
        return self.headline + "\n" + self.report
