"""Renderings of parsed files and the texts of failed parses."""

import subprocess
import sys

import pytest

import pylibjrl

TWO_STATEMENTS = '''\
// Core courses
SELECT 1 FROM CLASS(MATH 1200) : "Calculus";
LIMIT 2-4 FROM [TAG("WX TAG"), RANGE(PHYS 1100, PHYS 1200L)] : "say ""hi""" : 3;
'''

TWO_STATEMENTS_JSON = (
    '{"version":"0.1.6","requirements":['
    '{"query":{"quantity":{"Single":1},"type":"Select","selector":'
    '[{"Class":{"department_id":"MATH","course_number":1200,"lab":false}}]},'
    '"description":"Calculus","priority":1},'
    '{"query":{"quantity":{"Many":{"from":2,"to":4}},"type":"Limit","selector":'
    '[{"Tag":"WX TAG"},{"Range":{'
    '"from":{"department_id":"PHYS","course_number":1100,"lab":false},'
    '"to":{"department_id":"PHYS","course_number":1200,"lab":true}}}]},'
    '"description":"say \\"hi\\"","priority":3}]}'
)

TWO_STATEMENTS_DEBUG = (
    'ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", '
    "requirements: [JRLRequirement { query: JRLQuery { quantity: Single(1), "
    "type: Select, selector: [Class(Class { department_id: \"MATH\", "
    'course_number: 1200, lab: false })] }, description: "Calculus", '
    "priority: 1 }, JRLRequirement { query: JRLQuery { quantity: "
    'Many { from: 2, to: 4 }, type: Limit, selector: [Tag("WX TAG"), '
    'Range { from: Class { department_id: "PHYS", course_number: 1100, '
    'lab: false }, to: Class { department_id: "PHYS", course_number: 1200, '
    'lab: true } }] }, description: "say \\"hi\\"", priority: 3 }] } }'
)

LIMIT_STATEMENT = 'LIMIT 2-4 FROM TAG("WX TAG") : "say ""hi""" : 3;'

LIMIT_STATEMENT_PRETTY = """\
{
  "version": "0.1.6",
  "requirements": [
    {
      "query": {
        "quantity": {
          "Many": {
            "from": 2,
            "to": 4
          }
        },
        "type": "Limit",
        "selector": [
          {
            "Tag": "WX TAG"
          }
        ]
      },
      "description": "say \\"hi\\"",
      "priority": 3
    }
  ]
}"""

EMPTY_JSON = '{"version":"0.1.6","requirements":[]}'
EMPTY_PRETTY = '{\n  "version": "0.1.6",\n  "requirements": []\n}'
EMPTY_DEBUG = (
    'ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", '
    "requirements: [] } }"
)


def test_small_file_renderings():
    obj = pylibjrl.parse(TWO_STATEMENTS)
    assert obj.json() == TWO_STATEMENTS_JSON
    assert str(obj) == TWO_STATEMENTS_DEBUG
    assert obj.version() == "0.1.6"
    assert pylibjrl.parse(LIMIT_STATEMENT).json_pretty() == LIMIT_STATEMENT_PRETTY


@pytest.mark.parametrize("text", ["", "  \n// only a comment\n", "\t\r\n"])
def test_file_without_statements(JRL, text):
    for obj in (pylibjrl.parse(text), JRL(text)):
        assert obj.json() == EMPTY_JSON
        assert obj.json_pretty() == EMPTY_PRETTY
        assert str(obj) == EMPTY_DEBUG
        assert obj.version() == "0.1.6"


def test_text_passes_through_utf8_both_ways():
    # Non-ASCII text keeps its characters; an embedded NUL is part of the
    # text, not its end.
    obj = pylibjrl.parse('SELECT 1 FROM TAG("naïve ✓") : "é\x00x";')
    assert obj.json() == (
        '{"version":"0.1.6","requirements":[{"query":{"quantity":{"Single":1},'
        '"type":"Select","selector":[{"Tag":"naïve ✓"}]},'
        '"description":"é\\u0000x","priority":1}]}'
    )
    assert str(obj) == (
        'ParseResult { parsed_jrl_file: JRLQueryFile { version: "0.1.6", '
        "requirements: [JRLRequirement { query: JRLQuery { quantity: Single(1), "
        'type: Select, selector: [Tag("naïve ✓")] }, description: "é\\0x", '
        "priority: 1 }] } }"
    )


def test_parse_and_constructor_agree(JRL):
    for text in (TWO_STATEMENTS, LIMIT_STATEMENT, ""):
        a, b = pylibjrl.parse(text), JRL(text)
        assert a.json() == b.json()
        assert a.json_pretty() == b.json_pretty()
        assert str(a) == str(b)
        assert a.version() == b.version()


def test_each_call_renders_anew():
    obj = pylibjrl.parse(TWO_STATEMENTS)
    assert obj.json() == obj.json() == TWO_STATEMENTS_JSON
    assert obj.json_pretty() == obj.json_pretty()
    assert obj.json() is not obj.json()
    assert str(obj) == str(obj) == TWO_STATEMENTS_DEBUG


GRAMMAR_FAILURE = """\
 --> 1:24
  |
1 | SELECT 1 FROM CLASS(MATH 1200) : "x"
  |                        ^---
  |
  = expected class id (4-digit int)"""

NESTED_CHAIN = """\
failed parsing selector

Caused by:
    0: could not parse nested query
    1: failed parsing selector
    2:  --> 1:35
         |
       1 | SELECT 1 FROM SELECT 1 FROM CLASS(MATX 1200) : "x";
         |                                   ^--^
         |
         = this department does not exist in Wexmoor's course catalog (Did you mean: MATH)"""

ZERO_QUANTITY = """\
failed parsing quantity

Caused by:
     --> 2:8
      |
    2 | SELECT 0 FROM CLASS(MATH 1200) : "Calculus";
      |        ^
      |
      = cannot select zero"""

PRIORITY_OVERFLOW = """\
selection could not fit as u16

Caused by:
    number too large to fit in target type"""

STARTS_WITH_GARBAGE = """\
 --> 1:1
  |
1 | garbage
  | ^---
  |
  = expected file"""


@pytest.mark.parametrize(
    "text, message",
    [
        ('SELECT 1 FROM CLASS(MATH 1200) : "x"', GRAMMAR_FAILURE),
        ('SELECT 1 FROM SELECT 1 FROM CLASS(MATX 1200) : "x";', NESTED_CHAIN),
        ('SELECT 1 FROM TAG("a") : "b";\n'
         'SELECT 0 FROM CLASS(MATH 1200) : "Calculus";', ZERO_QUANTITY),
        ('SELECT 1 FROM TAG("a") : "b" : 65536;', PRIORITY_OVERFLOW),
        ("garbage", STARTS_WITH_GARBAGE),
    ],
)
def test_failed_parse_messages(JRL, text, message):
    for call in (pylibjrl.parse, JRL):
        with pytest.raises(ValueError) as info:
            call(text)
        assert type(info.value) is ValueError
        assert str(info.value) == message
        assert info.value.args == (message,)


def test_failed_parse_binds_nothing():
    result = "untouched"
    with pytest.raises(ValueError):
        result = pylibjrl.parse("garbage")
    assert result == "untouched"


SMALL_STACK_SCRIPT = '''
import threading
import pylibjrl

def nested(depth, innermost):
    return "SELECT 1 FROM " * depth + innermost + ' : "x";'

def outcomes():
    seen = []
    for depth, innermost in [
        (256, "CLASS(MATH 1200)"),
        (256, "CLASS(MATX 1200)"),
        (256, "CLAS(MATH 1200)"),
        (255, "SELECT 0 FROM CLASS(MATH 1200)"),
        (257, "CLASS(MATH 1200)"),
    ]:
        try:
            obj = pylibjrl.parse(nested(depth, innermost))
            seen += [obj.json(), obj.json_pretty(), str(obj)]
        except ValueError as error:
            seen.append(str(error))
    return seen

on_main = outcomes()
on_thread = []
threading.stack_size(128 * 1024)
thread = threading.Thread(target=lambda: on_thread.append(outcomes()))
thread.start()
thread.join()
print(on_thread == [on_main], len(on_main))
'''


def test_deepest_files_in_a_thread_with_a_small_stack():
    # A fresh process: running out of stack would end it, not the suite.
    run = subprocess.run(
        [sys.executable, "-c", SMALL_STACK_SCRIPT], capture_output=True, text=True
    )
    assert (run.returncode, run.stdout, run.stderr) == (0, "True 7\n", "")
