"""No references or memory are lost on any path, the failing ones included."""

import gc
import os
import sys

import pytest

import pylibjrl

STATEMENT = (
    'SELECT 2 FROM [CLASS(MATH 1200), RANGE_TAG(PHYS 1100, PHYS 1200L, "lab"), '
    'SELECT 1 FROM DIST_DEPT("WX dist", "ECON")] : "a requirement ""quoted""" : 7;\n'
)
# Large enough that a model lost per call shows up in the resident size.
BIG_FILE = STATEMENT * 100
FAILING = [
    "garbage",
    'SELECT 1 FROM SELECT 1 FROM CLASS(MATX 1200) : "x";',
    STATEMENT * 50 + 'SELECT 0 FROM TAG("x") : "y";',
]


def exercise(JRL, text, rounds):
    for _ in range(rounds):
        obj = pylibjrl.parse(text)
        obj.json()
        obj.json_pretty()
        str(obj)
        obj.version()
        JRL(value=text).json()
        for bad in FAILING:
            with pytest.raises(ValueError):
                pylibjrl.parse(bad)
            with pytest.raises(ValueError):
                JRL(bad)
        with pytest.raises(TypeError):
            pylibjrl.parse(text, text)
        with pytest.raises(TypeError):
            pylibjrl.parse(jrl=text, extra=text)
        with pytest.raises(TypeError):
            JRL(b"bytes")
        with pytest.raises(UnicodeEncodeError):
            pylibjrl.parse("\udc80" + text)


def test_reference_counts_unchanged(JRL):
    # A text built at run time, so that no constant shares it.
    text = "".join([STATEMENT, "// end\n"])
    exercise(JRL, text, 10)
    gc.collect()
    type_refs = sys.getrefcount(JRL)
    text_refs = sys.getrefcount(text)
    exercise(JRL, text, 2000)
    gc.collect()
    assert sys.getrefcount(text) == text_refs
    # Each live instance holds its type; none is left behind.
    assert sys.getrefcount(JRL) == type_refs


def resident_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


@pytest.mark.skipif(not os.path.exists("/proc/self/statm"), reason="needs /proc")
def test_memory_does_not_grow(JRL):
    exercise(JRL, BIG_FILE, 20)
    gc.collect()
    before = resident_bytes()
    exercise(JRL, BIG_FILE, 600)
    gc.collect()
    # Each round parses the big file twice and half of it four times: a lost
    # model or text copy per call would add tens of MiB.
    assert resident_bytes() - before < 16 * 1024 * 1024
