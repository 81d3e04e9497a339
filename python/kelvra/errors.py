"""The exception the package raises for what the library reports."""

from __future__ import annotations

# What each of the library's error codes means (KelvraErrorCode in KelvraSdk.h).
_WORDS = {
    0: "the library recorded no reason",
    1: "no camera is open, the camera is busy in another mode, or there is no image yet",
    2: "the camera is not present or cannot be opened",
    3: "a worker thread could not be started",
    4: "the preview window could not be created or no size preset matches",
    5: "out of memory, or a buffer is too small",
    6: "the camera did not answer a device access",
    7: "the readout window is invalid or was rejected",
    8: "a frame could not be transferred or did not arrive in time",
    9: "a value is out of range or unknown",
    11: "not supported by this camera",
    12: "a name could not be converted, or recording or the mask update could not start",
    13: "the camera was lost",
    14: "the mask file could not be read or written, or is malformed",
}


def error_words(code: int) -> str:
    """The meaning of a library error code in words."""
    return _WORDS.get(code, "unknown error")


class KelvraError(Exception):
    """A call into the camera library failed.

    Attributes:
        code: the library's error code (``Kelvra_GetLastError``), 0 when it recorded none.
        words: what the code means.
        action: what the package was doing, for example ``"setting the gain to 500"``.
    """

    def __init__(self, code: int, action: str) -> None:
        self.code = code
        self.words = error_words(code)
        self.action = action
        super().__init__(f"{action}: {self.words} (error {code})")

    def __reduce__(self) -> tuple[type, tuple[int, str]]:
        return (type(self), (self.code, self.action))
