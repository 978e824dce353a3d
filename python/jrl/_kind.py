"""The kind of a query."""

import enum


class Kind(enum.Enum):
    """Whether a query is a SELECT or a (top-level) LIMIT."""

    SELECT = "SELECT"
    LIMIT = "LIMIT"

    def __repr__(self) -> str:
        return f"Kind.{self.name}"
