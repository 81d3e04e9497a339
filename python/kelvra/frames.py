"""Owned frames: a stream of them from a camera, each lent by the library until it is released."""

from __future__ import annotations

import asyncio
import ctypes
import time
from dataclasses import dataclass
from typing import TYPE_CHECKING, Any, Optional

import numpy as np

from . import _native
from ._pixels import layout
from .errors import KelvraError

if TYPE_CHECKING:
    from .camera import Camera

# A blocking wait is cut into slices of this length, so that Ctrl-C is seen between them.
_WAIT_SLICE_MS = 100
_FRAME_SIZE = ctypes.sizeof(_native.FRAME)
_STATS_SIZE = ctypes.sizeof(_native.STREAM_STATS)


class _Loan:
    """One buffer lent by the library. It goes back when the last reference goes: the Frame's
    and those of every numpy view of its pixels, so no view can outlive the memory it shows."""

    __slots__ = ("_handle", "_record", "_release")

    def __init__(self, handle: int, record: _native.FRAME, release: Any) -> None:
        self._handle = handle
        self._record = record
        self._release = release

    @property
    def __array_interface__(self) -> dict[str, Any]:
        r = self._record
        shape, strides, dtype = layout(r.width, r.height, r.bitsPerPixel, r.rowStride)
        # Read-only: the pixels are what the camera delivered; copy() gives a writable array.
        return {
            "version": 3,
            "shape": shape,
            "strides": strides,
            "typestr": dtype.str,
            "data": (r.data, True),
        }

    def __del__(self) -> None:
        # Kelvra_ReleaseFrame works after the camera was closed too (the library keeps the
        # buffer for it); at interpreter exit the call may no longer be possible.
        try:
            self._release(self._handle, ctypes.byref(self._record))
        except Exception:
            pass


class Frame:
    """One frame of a stream.

    Attributes:
        number: the camera's frame counter; it rises by one per frame the camera makes, so a step
            of n + 1 from the previous frame means n frames lost.
        timestamp: the camera's clock when it made the frame, in seconds.
        host_time: when the frame arrived, in seconds of ``time.monotonic()``.
        exposure: exposure time of this frame, in seconds.
        temperature: sensor temperature at readout, in degrees Celsius.
        lost: frames lost between the previous frame of the stream and this one.
    """

    __slots__ = ("_loan", "_array", "number", "timestamp", "host_time", "exposure",
                 "temperature", "lost")

    def __init__(self, array: Optional[np.ndarray], loan: Optional[_Loan], number: int,
                 timestamp: float, host_time: float, exposure: float, temperature: float,
                 lost: int) -> None:
        self._loan = loan
        self._array = array
        self.number = number
        self.timestamp = timestamp
        self.host_time = host_time
        self.exposure = exposure
        self.temperature = temperature
        self.lost = lost

    @property
    def array(self) -> np.ndarray:
        """The pixels: uint8 or uint16, shaped (height, width) for grey, rows top first.

        A read-only view of the library's buffer, valid while the frame is held; raises
        ValueError once the frame was released. A view taken before keeps the buffer from
        the library until the view is gone."""
        if self._array is None:
            raise ValueError("the frame was released; keep frame.copy() to read it later")
        return self._array

    @property
    def released(self) -> bool:
        return self._array is None

    def release(self) -> None:
        """Gives the buffer back to the library (once no view of it is left). Harmless twice."""
        self._array = None
        self._loan = None

    def copy(self) -> Frame:
        """A frame with a writable copy of the pixels, independent of the library."""
        return Frame(np.array(self.array), None, self.number, self.timestamp, self.host_time,
                     self.exposure, self.temperature, self.lost)

    def __enter__(self) -> Frame:
        return self

    def __exit__(self, *exc: object) -> None:
        self.release()

    def __repr__(self) -> str:
        shape = "released" if self._array is None else "x".join(map(str, self._array.shape))
        return f"<kelvra.Frame {self.number} {shape}, {self.lost} lost before>"


@dataclass(frozen=True)
class StreamStats:
    """Counters of the current (or last) acquisition, from its start."""

    frames_received: int  # whole frames the camera sent
    frames_processed: int  # frames the library processed
    frames_delivered: int  # frames the stream handed out
    dropped_queue_full: int  # processed frames dropped: every buffer was held or queued
    dropped_in_ring: int  # received frames replaced by newer ones before processing
    lost_in_camera: int  # frames the camera made but never sent
    failed_transfers: int  # frame reads that failed
    resyncs: int  # stream restarts after a failed read
    camera_lost: int  # times the camera stopped delivering
    last_frame_number: int  # number of the newest processed frame
    frames_queued: int  # frames waiting to be taken now
    frames_held: int  # frames (and views of them) the application holds now

    @property
    def lost(self) -> int:
        """Every frame lost, whatever the reason."""
        return self.dropped_queue_full + self.dropped_in_ring + self.lost_in_camera


def read_stats(handle: int) -> StreamStats:
    stats = _native.STREAM_STATS()
    stats.size = _STATS_SIZE
    if not _native.library().Kelvra_GetStreamStatistics(handle, ctypes.byref(stats)):
        raise KelvraError(_native.ERR_PARAMETER, "reading the stream statistics")
    return StreamStats(stats.framesReceived, stats.framesProcessed, stats.framesDelivered,
                       stats.droppedQueueFull, stats.droppedInRing, stats.lostInCamera,
                       stats.failedTransfers, stats.resyncs, stats.cameraLost,
                       stats.lastFrameCounter, stats.framesQueued, stats.framesHeld)


class _Ended(Exception):
    """The acquisition ended without a failure (stopped, queue closed, camera released)."""


class Stream:
    """Live frames of a camera, from :meth:`kelvra.Camera.stream`.

    A context manager and an iterator (``for`` and ``async for``). The acquisition starts with
    ``with`` or the first iteration and stops at the end of the ``with`` block, at
    :meth:`close`, when the camera is closed, or when the stream is garbage-collected. Each frame
    goes back to the library when the loop moves on to the next one, unless a view of its pixels
    is still held. When every buffer is held, new frames are dropped and counted in
    :attr:`stats` and in the next frame's ``lost``.

    Iterating raises KelvraError with code 13 when the camera is lost, TimeoutError when no
    frame came within the stream's timeout, and ends when the acquisition is stopped.
    """

    def __init__(self, camera: Camera, buffers: int, timeout: Optional[float]) -> None:
        self._camera = camera
        self._handle = camera._handle
        self._buffers = buffers
        self._timeout = timeout
        self._running = False
        self._ended = False
        self._current: Optional[Frame] = None
        # The coroutine waiting for the queue's fd to become readable, and that fd.
        self._waiter: Optional[asyncio.Future[None]] = None
        self._waiter_fd = -1
        lib = _native.library()
        self._wait = lib.Kelvra_WaitFrame
        self._release = lib.Kelvra_ReleaseFrame

    # -- life -------------------------------------------------------------------------------

    def start(self) -> None:
        """Opens the frame queue and starts the acquisition (done by ``with`` or iteration)."""
        if self._running:
            return
        if self._ended:
            raise ValueError("the stream was closed; start a new one with camera.stream()")
        self._camera._begin_stream(self)
        self._running = True

    def close(self) -> None:
        """Stops the acquisition and closes the queue. Frames held stay readable until they are
        released. Harmless twice."""
        self._release_current()
        self._wake_async_waiter()
        if self._running:
            self._running = False
            self._camera._end_stream(self)
        self._ended = True

    @property
    def running(self) -> bool:
        return self._running

    @property
    def stats(self) -> StreamStats:
        """The acquisition's counters now (see StreamStats)."""
        self._camera._check_open()
        return read_stats(self._handle)

    def __enter__(self) -> Stream:
        self.start()
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:
            pass

    # -- frames -----------------------------------------------------------------------------

    def _release_current(self) -> None:
        if self._current is not None:
            self._current.release()
            self._current = None

    def _take(self, timeout_ms: int) -> Optional[Frame]:
        """The next frame within timeout_ms, None on timeout; _Ended at the end of the stream."""
        record = _native.FRAME()
        record.size = _FRAME_SIZE
        if self._wait(self._handle, record, timeout_ms):
            r = record
            loan = _Loan(self._handle, r, self._release)
            frame = Frame(np.asarray(loan), loan, r.frameCounter, r.timestampUs * 1e-6,
                          r.receivedNs * 1e-9, r.exposureUs * 1e-6, r.temperatureMilliC * 1e-3,
                          r.lost)
            self._current = frame
            return frame
        if record.status == _native.FRAME_TIMEOUT:
            return None
        if record.status == _native.FRAME_CAMERA_LOST:
            raise KelvraError(_native.ERR_CAMERA_LOST, "streaming")
        raise _Ended()

    def __iter__(self) -> Stream:
        self.start()
        return self

    def __next__(self) -> Frame:
        self._release_current()
        if not self._running:
            raise StopIteration
        deadline = None if self._timeout is None else time.monotonic() + self._timeout
        while True:
            left_ms = _WAIT_SLICE_MS
            if deadline is not None:
                left_ms = min(left_ms, max(0, int((deadline - time.monotonic()) * 1000)))
            try:
                frame = self._take(left_ms)
            except _Ended:
                raise StopIteration from None
            if frame is not None:
                return frame
            if deadline is not None and time.monotonic() >= deadline:
                raise TimeoutError(f"no frame within {self._timeout} s")

    def __aiter__(self) -> Stream:
        self.start()
        return self

    async def __anext__(self) -> Frame:
        """The next frame; waits on the queue's file descriptor, so the event loop runs on."""
        self._release_current()
        if not self._running:
            raise StopAsyncIteration
        try:
            while True:
                frame = self._take(0)
                if frame is not None:
                    return frame
                await asyncio.wait_for(self._readable(), self._timeout)
        except _Ended:
            raise StopAsyncIteration from None
        except asyncio.TimeoutError:
            raise TimeoutError(f"no frame within {self._timeout} s") from None

    async def _readable(self) -> None:
        loop = asyncio.get_running_loop()
        fd = _native.library().Kelvra_GetFrameQueueFd(self._handle)
        if fd < 0 or not self._running:
            return  # the queue is gone: the next take says why
        waiter = loop.create_future()

        def ready() -> None:
            if not waiter.done():
                waiter.set_result(None)

        # The fd belongs to the queue, which close() closes: it leaves the loop first.
        loop.add_reader(fd, ready)
        self._waiter, self._waiter_fd = waiter, fd
        try:
            await waiter
        finally:
            if self._waiter is waiter:
                self._waiter = None
                loop.remove_reader(fd)

    def _wake_async_waiter(self) -> None:
        """Takes the fd out of the waiting coroutine's loop (when that loop runs this thread) and
        wakes the coroutine, which then finds the stream ended."""
        waiter, self._waiter = self._waiter, None
        if waiter is None:
            return
        loop = waiter.get_loop()
        try:
            here = asyncio.get_running_loop() is loop
        except RuntimeError:
            here = False
        if here:
            loop.remove_reader(self._waiter_fd)
            if not waiter.done():
                waiter.set_result(None)
        elif not loop.is_closed():
            # From another thread the loop removes the fd itself, after the queue closed it:
            # epoll forgets a closed fd, and the selector ignores the failed removal.
            fd = self._waiter_fd
            loop.call_soon_threadsafe(self._finish_waiter, loop, waiter, fd)

    @staticmethod
    def _finish_waiter(loop: asyncio.AbstractEventLoop, waiter: asyncio.Future[None],
                       fd: int) -> None:
        loop.remove_reader(fd)
        if not waiter.done():
            waiter.set_result(None)
