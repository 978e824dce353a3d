"""The jrl package (placeholder: only the Pygments lexer lives here so far)."""
