"""The one error the companion reports to its user, and text quoted safely."""

# Paths and device names are the user's own and shown whole, but still escaped.
PLACE_LIMIT = 200


class CompanionError(Exception):
    """Input that cannot be read or output that cannot be written.

    place names where it went wrong (a file, a file and line, a device), so the
    message reads like a compiler's: "report.txt:12: what was wrong".
    """

    def __init__(self, place: str, message: str) -> None:
        super().__init__(f"{shown(place, PLACE_LIMIT)}: {message}")
        self.place = place
        self.message = message


def shown(text: str, limit: int = 72) -> str:
    """text as it can be quoted in a message: control and non-ASCII characters
    escaped (a terminal sees no escape sequence), long text cut."""
    # Only the head is escaped: a line may be megabytes long.
    escaped = text[:limit + 1].encode("unicode_escape").decode("ascii")
    return escaped if len(escaped) <= limit else escaped[:limit] + "..."
