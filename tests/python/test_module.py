"""The module's and the JRL class's observable shape, and argument binding."""

import subprocess
import sys
import textwrap
import weakref

import pytest

import pylibjrl

EMPTY_DEBUG = (
    'ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", '
    "requirements: [] } }"
)


def test_module_attributes():
    assert pylibjrl.__name__ == "pylibjrl"
    assert pylibjrl.__doc__ == ""
    assert pylibjrl.__all__ == ["parse"]
    assert not hasattr(pylibjrl, "JRL")
    public = [name for name in vars(pylibjrl) if not name.startswith("_")]
    assert public == ["parse"]
    assert pylibjrl.parse.__text_signature__ == "(jrl)"
    assert pylibjrl.parse.__doc__ is None


def test_type_identity(JRL):
    assert JRL.__name__ == "JRL"
    assert JRL.__qualname__ == "JRL"
    assert JRL.__module__ == "builtins"
    assert JRL.__bases__ == (object,)
    assert not JRL.__doc__
    expected_signature = "(value)" if sys.version_info >= (3, 10) else None
    assert getattr(JRL, "__text_signature__", None) == expected_signature
    assert type(pylibjrl.parse("")) is JRL
    assert type(JRL("")) is JRL


def test_methods_in_order_with_signatures(JRL):
    methods = [name for name in vars(JRL) if not name.startswith("__")]
    assert methods == ["version", "json", "json_pretty"]
    for name in methods:
        method = getattr(JRL, name)
        assert method.__text_signature__ == "($self)"
        assert method.__doc__ is None


def test_only_new_and_str_slots(JRL):
    assert "__new__" in vars(JRL)
    assert "__str__" in vars(JRL)
    for inherited in ("__repr__", "__init__", "__eq__", "__hash__", "__lt__"):
        assert inherited not in vars(JRL)
        assert getattr(JRL, inherited) is getattr(object, inherited)
    obj = pylibjrl.parse("")
    assert repr(obj) == object.__repr__(obj)
    assert repr(obj).startswith("<builtins.JRL object at 0x")
    assert obj != pylibjrl.parse("")
    assert hash(obj) == object.__hash__(obj)


def test_not_subclassable(JRL):
    with pytest.raises(TypeError):

        class Sub(JRL):  # noqa: F841
            pass


def test_no_dict_no_weakref(JRL):
    obj = pylibjrl.parse("")
    assert JRL.__dictoffset__ == 0
    assert JRL.__weakrefoffset__ == 0
    assert not hasattr(obj, "__dict__")
    with pytest.raises(AttributeError):
        obj.extra = 1
    with pytest.raises(AttributeError):
        obj.json = None
    with pytest.raises(TypeError):
        weakref.ref(obj)


def test_no_instance_without_text(JRL):
    with pytest.raises(TypeError):
        object.__new__(JRL)


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda: pylibjrl.parse(),
         "parse() missing 1 required positional argument: 'jrl'"),
        (lambda: pylibjrl.parse("", ""),
         "parse() takes 1 positional arguments but 2 were given"),
        (lambda: pylibjrl.parse("", "", ""),
         "parse() takes 1 positional arguments but 3 were given"),
        (lambda: pylibjrl.parse(value=""),
         "parse() got an unexpected keyword argument 'value'"),
        (lambda: pylibjrl.parse(jrl="", other=1),
         "parse() got an unexpected keyword argument 'other'"),
        (lambda: pylibjrl.parse("", jrl=""),
         "parse() got multiple values for argument 'jrl'"),
        (lambda: pylibjrl.parse(b""),
         "argument 'jrl': 'bytes' object is not an instance of 'str'"),
        (lambda: pylibjrl.parse(None),
         "argument 'jrl': 'NoneType' object is not an instance of 'str'"),
        (lambda: pylibjrl.parse(jrl=["x"]),
         "argument 'jrl': 'list' object is not an instance of 'str'"),
    ],
)
def test_parse_type_errors(call, message):
    with pytest.raises(TypeError) as info:
        call()
    assert str(info.value) == message


@pytest.mark.parametrize(
    "args, kwargs, message",
    [
        ((), {}, "JRL.__new__() missing 1 required positional argument: 'value'"),
        (("", ""), {},
         "JRL.__new__() takes 1 positional arguments but 2 were given"),
        ((), {"jrl": ""},
         "JRL.__new__() got an unexpected keyword argument 'jrl'"),
        (("",), {"value": ""},
         "JRL.__new__() got multiple values for argument 'value'"),
        ((3,), {}, "argument 'value': 'int' object is not an instance of 'str'"),
        ((), {"value": bytearray(b"x")},
         "argument 'value': 'bytearray' object is not an instance of 'str'"),
    ],
)
def test_constructor_type_errors(JRL, args, kwargs, message):
    with pytest.raises(TypeError) as info:
        JRL(*args, **kwargs)
    assert str(info.value) == message


def test_keyword_arguments(JRL):
    assert str(pylibjrl.parse(jrl="")) == EMPTY_DEBUG
    assert str(JRL(value="")) == EMPTY_DEBUG


def test_str_subclass_accepted():
    class Text(str):
        def encode(self, *args, **kwargs):
            raise AssertionError("the binding reads the str data directly")

    assert str(pylibjrl.parse(Text(""))) == EMPTY_DEBUG
    obj = pylibjrl.parse(Text('SELECT 1 FROM TAG("x") : "y";'))
    assert obj.json() == (
        '{"version":"0.1.6","requirements":[{"query":{"quantity":{"Single":1},'
        '"type":"Select","selector":[{"Tag":"x"}]},"description":"y",'
        '"priority":1}]}'
    )


@pytest.mark.parametrize("text", ["\udc80", 'SELECT 1 FROM TAG("\ud800") : "x";'])
def test_lone_surrogate_gives_the_encoding_error(JRL, text):
    with pytest.raises(UnicodeEncodeError) as expected:
        text.encode("utf-8")
    for call in (lambda: pylibjrl.parse(text), lambda: JRL(text)):
        with pytest.raises(UnicodeEncodeError) as info:
            call()
        assert str(info.value) == str(expected.value)


def test_second_initialisation_fails():
    script = textwrap.dedent(
        """
        import sys
        import pylibjrl
        first = pylibjrl
        del sys.modules["pylibjrl"]
        try:
            import pylibjrl
        except ImportError as error:
            print("ImportError:", error)
        print(first.parse("").version())
        """
    )
    run = subprocess.run(
        [sys.executable, "-c", script], capture_output=True, text=True, check=True
    )
    assert run.stdout == (
        "ImportError: pylibjrl may only be initialized once per interpreter "
        "process\n0.1.6\n"
    )


SUB_INTERPRETER_SCRIPT = textwrap.dedent(
    '''
    import os, sys
    config = sys.argv[1]
    try:
        import _interpreters as interpreters
        create = lambda: interpreters.create(config)
    except ImportError:
        import _xxsubinterpreters as interpreters
        create = lambda: interpreters.create(isolated=config == "isolated")
    SUB = """if 1:
        import os
        try:
            import pylibjrl
        except ImportError:
            os.write(1, b"sub: ImportError\\\\n")
        else:
            os.write(1, b"sub: imported\\\\n")
    """
    def import_in_sub_interpreter():
        sub = create()
        interpreters.run_string(sub, SUB)
        interpreters.destroy(sub)
    import_in_sub_interpreter()
    import pylibjrl
    print("main:", pylibjrl.parse("").version(), flush=True)
    import_in_sub_interpreter()
    print("main:", pylibjrl.parse("").json(), flush=True)
    '''
)


@pytest.mark.skipif(
    sys.version_info < (3, 12), reason="sub-interpreter configurations need 3.12"
)
@pytest.mark.parametrize("config", ["isolated", "legacy"])
def test_refused_sub_interpreter_import_leaves_the_main_import(config):
    # The module is refused in every sub-interpreter, before and after the
    # main interpreter imports it, and the refusal never costs the main
    # interpreter its one initialisation.
    run = subprocess.run(
        [sys.executable, "-c", SUB_INTERPRETER_SCRIPT, config],
        capture_output=True,
        text=True,
        check=True,
    )
    assert run.stdout == (
        "sub: ImportError\nmain: 0.1.6\nsub: ImportError\n"
        'main: {"version":"0.1.6","requirements":[]}\n'
    )


@pytest.mark.skipif(
    sys.version_info < (3, 10), reason="immutable types arrived in 3.10"
)
def test_type_attributes_cannot_be_changed(JRL):
    obj = pylibjrl.parse("")
    for change in (
        lambda: setattr(JRL, "json", None),
        lambda: setattr(JRL, "extra", 1),
        lambda: delattr(JRL, "version"),
    ):
        with pytest.raises(TypeError):
            change()
    assert obj.json() == '{"version":"0.1.6","requirements":[]}'
    assert obj.version() == "0.1.6"


def test_init_again_changes_nothing(JRL):
    # Like str and tuple, a JRL is made whole by __new__; __init__ is
    # object's, so calling it again (with any arguments) leaves the object
    # as it was.
    obj = pylibjrl.parse('SELECT 1 FROM TAG("x") : "y";')
    before = obj.json()
    assert obj.__init__('SELECT 2 FROM TAG("z") : "w";') is None
    assert obj.__init__(1, 2, x=3) is None
    assert obj.json() == before
