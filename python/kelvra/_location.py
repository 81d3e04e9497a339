"""Where ``cmake --install`` put the library, relative to this package; None in the source tree.

The installed copy of this file is written by the install step.
"""

from typing import Optional

LIBRARY_DIR: Optional[str] = None
