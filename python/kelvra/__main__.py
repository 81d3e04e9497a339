"""python3 -m kelvra: the attached cameras, as `kelvra list` prints them."""

from __future__ import annotations

import argparse
import sys
from typing import Optional

from ._cameras import cameras, simulate
from .errors import KelvraError


def main(argv: Optional[list[str]] = None) -> int:
    parser = argparse.ArgumentParser(prog="python3 -m kelvra",
                                     description="Lists the attached Kelvra cameras.")
    parser.add_argument("--simulate", metavar="N", type=int,
                        help="list N simulated cameras instead of USB ones")
    arguments = parser.parse_args(argv)
    try:
        if arguments.simulate is not None:
            simulate(arguments.simulate)
        found = cameras()
    except (KelvraError, OSError, ValueError) as error:
        print(f"kelvra: {error}", file=sys.stderr)
        return 1
    if not found:
        print("No camera was found.")
    for camera in found:
        serial = camera.serial or "unknown"
        print(f"{camera.index}: {camera.name}  serial {serial}  product 0x{camera.product_id:04X}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
