"""The one error the companion reports to its user."""


class CompanionError(Exception):
    """Input that cannot be read or output that cannot be written.

    place names where it went wrong (a file, a file and line, a device), so the
    message reads like a compiler's: "report.txt:12: what was wrong".
    """

    def __init__(self, place, message):
        super().__init__(f"{place}: {message}")
        self.place = place
        self.message = message


def shown(text, limit=72):
    """text as it can be quoted in a message: control bytes escaped, long lines cut."""
    escaped = text.encode("unicode_escape").decode("ascii")
    return escaped if len(escaped) <= limit else escaped[:limit] + "..."
