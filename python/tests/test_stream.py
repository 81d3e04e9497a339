"""Streams as users run them: long loops, held frames, a slow consumer, an unplugged camera,
an event loop."""

from __future__ import annotations

import asyncio
import time

import numpy as np
import pytest

import kelvra
from conftest import run_python


def holds_pattern(pixels: np.ndarray, number: int) -> bool:
    """Row i of test-pattern frame n holds (n + i) modulo the 8-bit sample range."""
    rows = (number + np.arange(pixels.shape[0])) & 0xFF
    return bool((pixels == rows[:, None]).all())


def wait_for(condition, stream: kelvra.Stream, rounds: int = 2000) -> None:
    """Lets the camera run until `condition(stats)` holds (a bound against a hang, not a
    measurement)."""
    for _ in range(rounds):
        if condition(stream.stats):
            return
        time.sleep(0.005)
    raise AssertionError(f"never: {stream.stats}")


def test_200_frames_have_rising_numbers_and_their_losses_add_up_with_the_stats(cam):
    cam.window = (0, 0, 1280, 256)
    frames = []
    with cam.stream(buffers=8) as stream:
        for frame in stream:
            assert frame.array.shape == (256, 1280) and holds_pattern(frame.array, frame.number)
            frames.append((frame.number, frame.lost, frame.timestamp, frame.host_time))
            if len(frames) == 200:
                cam._lib.Kelvra_StopPreview(cam._handle)  # the frames queued still come
        stats = stream.stats
    numbers = [f[0] for f in frames]
    assert len(frames) >= 200 and stats.frames_delivered == len(frames)
    for (number, _, stamp, arrival), (later, lost, later_stamp, later_arrival) in zip(frames,
                                                                                      frames[1:]):
        assert later > number and lost == later - number - 1
        assert later_stamp > stamp and later_arrival >= arrival
    lost = sum(f[1] for f in frames)
    # Every frame a frame reports lost is counted; only those after the last delivered one
    # may be counted without being reported.
    assert lost <= stats.lost <= lost + (stats.last_frame_number - numbers[-1])
    assert stats.frames_received + stats.lost_in_camera >= len(frames) + lost


def test_a_held_frame_never_changes_and_a_view_keeps_it_from_the_library(cam):
    for count, error in ((1, ValueError), (65, ValueError), (2.0, TypeError)):
        with pytest.raises(error):
            cam.stream(buffers=count)
    with cam.stream(buffers=2) as stream:
        frames = iter(stream)
        first = next(frames)
        view, number = first.array, first.number
        second = next(frames)  # the loop moved on: `first` is released, `view` still holds it
        with pytest.raises(ValueError):
            first.array
        # Both buffers are held: later frames are dropped and counted, never written here.
        wait_for(lambda s: s.dropped_queue_full >= 3, stream)
        assert holds_pattern(view, number) and holds_pattern(second.array, second.number)
        assert stream.stats.frames_held == 2
        kept = second.copy()
        del view
        assert stream.stats.frames_held == 1
        second.release()
        second.release()
        assert stream.stats.frames_held == 0
        third = next(frames)
        assert third.lost >= 3 and third.lost == third.number - kept.number - 1
        assert holds_pattern(kept.array, kept.number) and kept.array.flags.writeable
        held = third.array
    # Closing the stream gives the frame back but not the view's buffer.
    assert holds_pattern(held, third.number)
    assert repr(third).endswith("released, %d lost before>" % third.lost)


def test_unplugging_the_camera_raises_kelvra_error_13_from_the_loop(tmp_path):
    # The camera leaves 2 s after the library attaches it: long after the stream started.
    result = run_python(
        "import kelvra, numpy as np\n"
        "kelvra.simulate(1, test_pattern=True, unplug_after=2)\n"
        "kept = None\n"
        "with kelvra.open() as cam, cam.stream() as stream:\n"
        "    try:\n"
        "        for frame in stream:\n"
        "            kept, number = frame.array, frame.number\n"
        "    except kelvra.KelvraError as error:\n"
        "        print(error.code, stream.stats.camera_lost)\n"
        "    # A view of the last frame stays readable after the loss.\n"
        "    if kept is not None:\n"
        "        top = 0xFF if kept.dtype == np.uint8 else 0xFFF\n"
        "        rows = (number + np.arange(kept.shape[0])) & top\n"
        "        kept = bool((kept == rows[:, None]).all())\n"
        "    print(kept is not False)\n",
        tmp_path)
    assert result.returncode == 0, result.stderr
    assert result.stdout == "13 1\nTrue\n"


def test_async_for_takes_frames_while_the_loop_runs_and_ends_when_the_stream_closes(cam):
    async def main():
        ticks = 0

        async def ticker():
            nonlocal ticks
            while True:
                ticks += 1
                await asyncio.sleep(0.001)

        ticking = asyncio.create_task(ticker())
        numbers = []
        with cam.stream(buffers=2) as stream:
            async for frame in stream:
                numbers.append(frame.number)
                if len(numbers) == 10:
                    break
        assert numbers == sorted(set(numbers)) and ticks > 0

        # Every buffer held: the loop waits on the queue's fd until another task closes it.
        stream = cam.stream(buffers=2)
        views = []

        async def consume():
            async for frame in stream:
                views.append(frame.array)
            return "ended"

        consumer = asyncio.create_task(consume())
        while len(views) < 2 or stream.stats.dropped_queue_full < 2:
            await asyncio.sleep(0.005)
        stream.close()
        assert await asyncio.wait_for(consumer, 10) == "ended"
        ticking.cancel()

    asyncio.run(main())
