"""The operators on small sources: each row a snippet (inside a function body
unless it is a declaration, a definition or a preprocessor line) and every
mutant it must give, as (operator, a changed line)."""

import unittest

from operators import mutants_of

D, S, C, R, W = "deleted-call", "swapped-calls", "constant", "relational", "widened"

ROWS = [
    # comparisons flip; an if also becomes always true
    ("if (a < b) go();", [(R, "if (a <= b) go();"), (W, "if (true) go();")]),
    ("while (x >= LIMIT) {", [(R, "while (x > LIMIT) {")]),
    ("ok = a == b;", [(R, "ok = a != b;")]),
    # template brackets, shifts and arrows are no comparisons
    ("y = static_cast<std::uint8_t>(x) >> 2;", [(C, "y = static_cast<std::uint8_t>(x) >> 3;")]),
    ("p->x = q->y << 1;", [(C, "p->x = q->y << 2;")]),
    ("std::array<int, 3> t{};", [(C, "std::array<int, 4> t{};")]),
    # nothing in comments, strings, characters or preprocessor lines
    ('say("a < 1", \'2\'); // b > 3', [(D, "{} // b > 3")]),
    ("#define LIMIT (3 < 4)", []),
    ("/* 5 > 4 */ t = 0x0F;", [(C, "/* 5 > 4 */ t = 0x10;")]),
    # literals keep their form and suffix; a number inside a name is no literal
    ("m = 0xff + 10u + 07 + GPIO_Pin_12;", [(C, "m = 0x100 + 10u + 07 + GPIO_Pin_12;"),
                                            (C, "m = 0xff + 11u + 07 + GPIO_Pin_12;"),
                                            (C, "m = 0xff + 10u + 010 + GPIO_Pin_12;")]),
    ("v = 1.5f;", []),
    # a row of a table gives its first literal only
    ("const std::uint8_t t[] = {\n    0x00, 0x3E, 0x5B,  // a glyph\n};", [(C, "0x01, 0x3E, 0x5B,  // a glyph")]),
    # calls as statements: deleted, and swapped with the next one
    ("first(1);\nthen(x, y);", [(D, "{}"), (C, "first(2);"), (S, "then(x, y);"), (S, "first(1);"), (D, "{}")]),
    ("platform::irq_disable();\nobj.run();", [(D, "{}"), (S, "obj.run();"), (S, "platform::irq_disable();"),
                                              (D, "{}")]),
    # the body of an unbraced if is deleted but not swapped out of it
    ("if (on)\n    lit();\nrest();", [(W, "if (true)"), (D, "{}"), (D, "{}")]),
    ("while (busy)\nwait();\nnext();", [(D, "{}"), (D, "{}")]),
    # a call that continues an expression is not a statement; return is no call
    ("x = y +\n    f(z);\nreturn g(x);", []),
    ("same();\nsame();", [(D, "{}"), (D, "{}")]),
    # widened: each side of && dropped, the condition made true
    ("if (a && b) {", [(W, "if (b) {"), (W, "if (a) {"), (W, "if (true) {")]),
    ("if (n == 1 && ok) {", [(W, "if (ok) {"), (W, "if (n == 1) {"), (W, "if (true) {"), (R, "if (n != 1 && ok) {"),
                            (C, "if (n == 2 && ok) {")]),
    ("if (f(a) && (b || c)) {", [(W, "if ((b || c)) {"), (W, "if (f(a)) {"), (W, "if (true) {")]),
    ("return a && b;", [(W, "return b;"), (W, "return a;")]),
    # declarations and compile-time checks are left alone
    ("void LCD_Init(void);\nstatic_assert(sizeof(int) == 4);", []),
    ("struct S {\n    S(int);\n};", []),
]


def _wrapped(snippet):
    if snippet.startswith(("#", "void ", "struct ", "const ")):
        return snippet
    body = "\n".join("    " + line for line in snippet.split("\n"))
    return "void f()\n{\n" + body + "\n}\n"


class OperatorTable(unittest.TestCase):
    def test_each_snippet_gives_exactly_its_mutants(self):
        for snippet, expected in ROWS:
            with self.subTest(snippet=snippet):
                text = _wrapped(snippet)
                found = [(m.operator, a.strip()) for m in mutants_of("src/x.cpp", text) for a in m.after]
                self.assertEqual(sorted(found), sorted(expected))

    def test_a_mutant_is_applied_only_where_its_line_still_reads_the_same(self):
        text = "void f()\n{\n    go(1);\n}\n"
        mutant = mutants_of("src/x.cpp", text)[0]
        self.assertEqual(mutant.apply(text), "void f()\n{\n    {}\n}\n")
        with self.assertRaises(ValueError):
            mutant.apply(text.replace("go(1)", "go(2)"))

    def test_areas_follow_the_folders(self):
        for path, area in [("src/main.cpp", "application"), ("Libraries/F2xx_Periph_Driver/src/misc.cpp", "drivers"),
                           ("Utilities/System/sercom.cpp", "drivers")]:
            with self.subTest(path=path):
                self.assertEqual(mutants_of(path, "int n = 1;\n")[0].area, area)


if __name__ == "__main__":
    unittest.main()
