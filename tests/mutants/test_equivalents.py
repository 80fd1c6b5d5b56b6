"""The equivalent list: what an entry must give, and which mutants it names."""

import unittest

from equivalents import Equivalents, EquivalentsError, parse
from operators import Mutant

ENTRY = """# a comment
file: src/main.cpp
operator: constant
before:   char str[4];
after: char str[5];
reason: snprintf is bounded by sizeof str

file: src/main.cpp
operator: swapped-calls
before: a();
before: b();
after: b();
after: a();
reason: independent
"""

BAD = [
    ("file: src/main.cpp\noperator: constant\nbefore: x\nafter: y\n", "exactly one 'reason:'"),
    ("file: a\noperator: flipped\nbefore: x\nafter: y\nreason: r\n", "operator 'flipped'"),
    ("file: a\noperator: constant\nbefore: x\nbefore: z\nafter: y\nreason: r\n", "as many 'before:'"),
    ("file: a\noperator: constant\nbefore x\n", ":3: expected 'file:'"),
    ("file: a\nline: 3\n", ":2: expected 'file:'"),
    ("file: a\nfile: b\noperator: constant\nbefore: x\nafter: y\nreason: r\n", "exactly one 'file:'"),
    (ENTRY + "\n" + ENTRY.split("\n\n")[1], "the same mutant as"),
]

# (path, operator, before, after, the reason matched or None)
MATCHES = [
    ("src/main.cpp", "constant", ("char str[4];",), ("char str[5];",), "snprintf is bounded by sizeof str"),
    ("src/main.cpp", "constant", ("        char str[4];  ",), ("        char str[5];",), "snprintf is bounded by sizeof str"),
    ("src/main.cpp", "constant", ("char str[4];",), ("char str[6];",), None),
    ("src/other.cpp", "constant", ("char str[4];",), ("char str[5];",), None),
    ("src/main.cpp", "relational", ("char str[4];",), ("char str[5];",), None),
    ("src/main.cpp", "swapped-calls", ("  a();", "  b();"), ("  b();", "  a();"), "independent"),
    ("src/main.cpp", "swapped-calls", ("b();", "a();"), ("a();", "b();"), None),
]


class EquivalentList(unittest.TestCase):
    def test_each_malformed_list_is_refused_with_its_place(self):
        for text, message in BAD:
            with self.subTest(text=text):
                with self.assertRaises(EquivalentsError) as caught:
                    parse(text, name="list")
                self.assertIn(message, str(caught.exception))

    def test_an_entry_names_its_change_in_its_file_wherever_it_stands(self):
        equivalents = Equivalents(parse(ENTRY))
        for path, operator, before, after, reason in MATCHES:
            with self.subTest(path=path, operator=operator, after=after):
                entry = equivalents.match(Mutant(path, 99, 0, operator, before, after))
                self.assertEqual(entry.reason if entry else None, reason)

    def test_entries_that_name_no_mutant_are_stale(self):
        equivalents = Equivalents(parse(ENTRY))
        swap = Mutant("src/main.cpp", 7, 4, "swapped-calls", ("a();", "b();"), ("b();", "a();"))
        self.assertEqual([e.operator for e in equivalents.unmatched([swap])], ["constant"])


if __name__ == "__main__":
    unittest.main()
