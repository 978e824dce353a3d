"""The life of the jrl objects in the interpreter: freeing, collecting,
pickling and copying trees of any depth, file names that are not UTF-8,
immutable classes and sub-interpreters.

What could crash the interpreter runs in a child process, so that a fault
fails its test instead of ending the run.
"""

import copy
import gc
import os
import pickle
import subprocess
import sys
import textwrap
import weakref

import pytest

import jrl


def run_child(code):
    """Runs `code` in a fresh interpreter; its output, or the failure."""
    result = subprocess.run([sys.executable, "-c", textwrap.dedent(code)],
                            capture_output=True, text=True, timeout=600)
    assert result.returncode == 0, (
        f"exit {result.returncode}\n{result.stdout}\n{result.stderr}")
    return result.stdout


# Each builds a very deep tree of records and lets it go; the child prints
# "freed" once it has. The model's records hold only what a file can say,
# so the chains of any object are of Note, which holds any message.
DEEP_TREES = {
    "a chain of a million": """
        import jrl
        x = None
        for _ in range(1_000_000):
            x = jrl.Note(x, 1, 1, 0)
        del x
    """,
    "300,000 nested queries": """
        import jrl
        x, one = jrl.Tag("end"), jrl.Single(1)
        for _ in range(300_000):
            x = jrl.NestedQuery(jrl.Query(jrl.Kind.SELECT, one, [x]))
        del x
    """,
    "20,000 in a thread with a 256 KiB stack": """
        import threading, jrl
        built = []
        def build():
            x = None
            for _ in range(20_000):
                x = jrl.Note(x, 1, 1, 0)
            built.append(True)
        threading.stack_size(256 * 1024)
        worker = threading.Thread(target=build)
        worker.start()
        worker.join()
        assert built
    """,
    # Only jrl.Suggestion is named: a million Suggestion(x, ()) calls nested
    # on the unpickler's stack, then released with it.
    "a 4 MB pickle loaded by a restricted unpickler": """
        import io, pickle, jrl
        class OnlySuggestion(pickle.Unpickler):
            def find_class(self, module, name):
                if (module, name) == ("jrl", "Suggestion"):
                    return jrl.Suggestion
                raise pickle.UnpicklingError(f"{module}.{name} is not allowed")
        depth = 1_000_000
        data = (b"\\x80\\x02cjrl\\nSuggestion\\nq\\x00" + b"h\\x00" * (depth - 1)
                + b"N)\\x86R" + b")\\x86R" * (depth - 1) + b".")
        assert len(data) >= 4_000_000
        x = OnlySuggestion(io.BytesIO(data)).load()
        assert type(x.message) is jrl.Suggestion
        del x
    """,
    # Pickled in the flat form, copied and loaded again, without recursion.
    "a chain of 200,000 pickled and copied": """
        import copy, pickle, jrl
        x = jrl.Note("end", 1, 1, 0)
        for _ in range(200_000):
            x = jrl.Note(x, 1, 1, 0)
        for y in (pickle.loads(pickle.dumps(x)), copy.deepcopy(x)):
            depth = 0
            while type(y) is jrl.Note:
                y, depth = y.message, depth + 1
            assert (depth, y) == (200_001, "end"), depth
        try:
            hash(x)
        except RecursionError:
            pass
    """,
}


@pytest.mark.parametrize("code", DEEP_TREES.values(), ids=DEEP_TREES.keys())
def test_deep_trees_are_freed_without_recursion(code):
    assert run_child(textwrap.dedent(code) + "print('freed')\n").endswith("freed\n")


def test_records_that_can_hold_objects_are_collected():
    assert gc.is_tracked(jrl.Note([], 1, 1, 0))
    # What the parser builds holds only strs, ints, Kind members and other
    # such records: nothing a cycle could run through.
    requirement = jrl.parse('SELECT 1 FROM [TAG("a"), SELECT 1 FROM CLASS(MATH 1200)]'
                            ' : "x";').requirements[0]
    assert not gc.is_tracked(requirement)
    assert not gc.is_tracked(jrl.Query(jrl.Kind.SELECT, jrl.Single(1), [jrl.Tag("a")]))

    class Holder:
        pass

    gc.collect()
    alive = []
    for _ in range(200_000):
        holder = Holder()
        holder.record = jrl.Suggestion("cycle", [jrl.Note(holder, 1, 1, 0)])
        alive.append(weakref.ref(holder))
    del holder
    gc.collect()
    assert sum(ref() is not None for ref in alive) == 0


def nested_text(depth):
    inner = "CLASS(MATH 1200)"
    for level in range(depth - 1):
        inner = f'SELECT 1 FROM [TAG("t{level}"), {inner}]'
    return f'SELECT 1 FROM {inner} : "deep";'


DEEPEST = jrl.parse(nested_text(256)).requirements[0]


@pytest.fixture
def default_recursion_limit():
    # Other tests' tools (mypy) raise it for the whole process.
    limit = sys.getrecursionlimit()
    sys.setrecursionlimit(1000)
    yield
    sys.setrecursionlimit(limit)


@pytest.mark.parametrize("protocol", range(pickle.HIGHEST_PROTOCOL + 1))
def test_deepest_requirement_pickles_and_copies(protocol, default_recursion_limit):
    for copied in (pickle.loads(pickle.dumps(DEEPEST, protocol)), copy.deepcopy(DEEPEST)):
        assert copied == DEEPEST
        assert copied.span == DEEPEST.span
        innermost, original = copied, DEEPEST
        while hasattr(innermost, "query"):
            innermost, original = innermost.query.selectors[-1], original.query.selectors[-1]
            assert innermost.span == original.span
    # Records that nest a few levels, as files mostly do, name only their
    # classes, so an unpickler that allows only the jrl classes loads them.
    shallow = jrl.parse(nested_text(3)).requirements[0]
    assert b"_records_from_steps" not in pickle.dumps(shallow, protocol)


@pytest.mark.parametrize("steps", [
    [], (0,), (0, 1, 0, 2), (1, jrl.Tag), (1, int, 0, 1), (2, 1), (2, -1), (5, None),
    ("0", 1), (0, "x", 1, jrl.Span),
])
def test_malformed_steps_are_refused(steps):
    with pytest.raises((ValueError, TypeError)):
        jrl._native._records_from_steps(steps)


def test_deep_copy_copies_mutable_fields_once():
    shared = []
    record = jrl.Suggestion("fix", [jrl.Note(shared, 1, 1, 0), jrl.Note(shared, 2, 1, 9)])
    copied = copy.deepcopy(record)
    assert copied == record and copied.edits[0].message is not shared
    assert copied.edits[0].message is copied.edits[1].message


@pytest.fixture
def odd_name(tmp_path):
    """A directory where a name with the byte 0xFF can be made."""
    name = os.fsencode(tmp_path) + b"/\xff.jrl"
    try:
        with open(name, "wb") as stream:
            stream.write(b'SELECT 1 FROM CLASS(MATH 1200) : "x";\n')
    except (OSError, UnicodeError):
        pytest.skip("the file system refuses names that are not UTF-8")
    return name


def test_file_names_that_are_not_utf8(odd_name):
    for path in (odd_name, os.fsdecode(odd_name)):
        assert jrl.load(path).path == os.fsdecode(odd_name)
        with pytest.raises(jrl.ParseError) as caught:
            jrl.parse("SELECT", path=path)
        assert caught.value.path == os.fsdecode(odd_name)
        assert f" --> {os.fsdecode(os.path.dirname(odd_name))}/\\xff.jrl:1:7\n" in str(caught.value)
    with open(odd_name, "wb") as stream:
        stream.write(b"SELECT 0 FROM CLASS(MATH 1200) : \"x\";\n")
    with pytest.raises(jrl.ParseError, match=r"\\xff\.jrl:1:8"):
        jrl.load(odd_name)
    # A lone surrogate that names no byte is shown as its escape.
    with pytest.raises(jrl.ParseError, match=r"a\\ud800\.jrl:1:7"):
        jrl.parse("SELECT", path="a\ud800.jrl")


CLASSES = [value for name, value in vars(jrl).items()
           if isinstance(value, type) and value.__module__ == "jrl"]


@pytest.mark.skipif(sys.version_info < (3, 10),
                    reason="CPython 3.9 has no immutable classes of its own")
@pytest.mark.parametrize("cls", CLASSES, ids=lambda cls: cls.__name__)
def test_classes_are_immutable(cls):
    for name in ("__eq__", "__match_args__", "added"):
        with pytest.raises(TypeError):
            setattr(cls, name, None)


def sub_interpreters_module():
    for name in ("_interpreters", "_xxsubinterpreters"):
        try:
            return __import__(name).__name__
        except ImportError:
            pass
    return None


@pytest.mark.skipif(sub_interpreters_module() is None,
                    reason="this CPython cannot start sub-interpreters from Python")
def test_sub_interpreter_importing_first_leaves_the_main_one_free():
    output = run_child(f"""
        import sys
        import {sub_interpreters_module()} as interpreters
        attempt = (
            "try:\\n"
            "    import jrl\\n"
            "except ImportError as error:\\n"
            "    print('refused:', error)\\n")
        configs = [None]
        if sys.version_info >= (3, 13):
            configs.append("legacy")
        elif sys.version_info >= (3, 12):
            configs.append(False)
        for config in configs:
            if config is None:
                interpreter = interpreters.create()
            elif isinstance(config, str):
                interpreter = interpreters.create(config)
            else:
                interpreter = interpreters.create(isolated=config)
            interpreters.run_string(interpreter, attempt)
            interpreters.destroy(interpreter)
        sys.stdout.flush()
        import jrl
        print(jrl.parse('SELECT 1 FROM TAG("x") : "d";').requirements[0].query.selectors)
    """)
    lines = output.splitlines()
    assert lines[-1] == "(Tag(tag='x'),)"
    assert all(line.startswith("refused:") for line in lines[:-1]), output
