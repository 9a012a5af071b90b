#!/usr/bin/env python3
"""Compares the JSON reports of the native and the Wine side field by field.

    compare_reports.py KIND NATIVE.json WINE.json

KIND is "report" (qmdiag report --json) or "params" (qmprobe params --json).
Every field must agree, except those in LEFT_OUT, each with the reason why
it cannot; and a few fields are compared after the normalisation in
NORMALISED, again with the reason. On a mismatch every differing field is
printed with both values and the exit status is 1.
"""

import json
import sys

ANY = "*"

# Fields that cannot agree because Wine lacks what Windows has. A pattern is
# a path of object keys and list indexes; "*" matches any one step.
LEFT_OUT = {
    "report": [],
    "params": [],
}


def _report_lines_by_key(text):
    """A registry report's lines with the values of each key in name order.

    The report walks the keys in the order the registry enumerates them.
    Windows enumerates a key's values in the order they were written (the
    emulated registry does the same); Wine's registry keeps them sorted by
    name. Key order and every line are still compared, only the order of
    the values inside one key is not.
    """
    if not isinstance(text, str):
        return text
    groups = []
    for line in text.split("\n"):
        cut = line.find(" - ")
        head = line if cut < 0 else line[:cut]
        key = head[: head.rfind("\\") + 1] if "\\" in head else head
        if groups and groups[-1][0] == key:
            groups[-1][1].append(line)
        else:
            groups.append((key, [line]))
    return "\n".join(line for _, lines in groups for line in sorted(lines, key=str.lower))


NORMALISED = {
    "report": [
        (("qmsSettingsReport",), _report_lines_by_key,
         "the registry enumerates a key's values in another order under Wine (sorted by name) than on "
         "Windows (in the order they were written)"),
        (("systemSettingsReport",), _report_lines_by_key,
         "the registry enumerates a key's values in another order under Wine (sorted by name) than on "
         "Windows (in the order they were written)"),
    ],
    "params": [],
}


def matches(pattern, path):
    return len(pattern) == len(path) and all(p == ANY or p == step for p, step in zip(pattern, path))


def show_path(path):
    text = ""
    for step in path:
        text += f"[{step}]" if isinstance(step, int) else ("." if text else "") + str(step)
    return text or "(document)"


def compare(kind, native, wine):
    """The differences as (path, native value, wine value), left-out fields skipped."""
    left_out = [tuple(pattern) for pattern, _ in LEFT_OUT[kind]]
    normalised = [(tuple(pattern), function) for pattern, function, _ in NORMALISED[kind]]
    differences = []

    def walk(path, a, b):
        if any(matches(p, path) for p in left_out):
            return
        for pattern, function in normalised:
            if matches(pattern, path):
                a, b = function(a), function(b)
        if isinstance(a, dict) and isinstance(b, dict):
            for key in list(a) + [k for k in b if k not in a]:
                walk(path + (key,), a.get(key, Missing), b.get(key, Missing))
        elif isinstance(a, list) and isinstance(b, list):
            for i in range(max(len(a), len(b))):
                walk(path + (i,), a[i] if i < len(a) else Missing, b[i] if i < len(b) else Missing)
        elif type(a) is not type(b) or a != b:
            differences.append((path, a, b))

    walk((), native, wine)
    return differences


class _Missing:
    def __repr__(self):
        return "(missing)"


Missing = _Missing()


def show_value(value):
    if value is Missing:
        return "(missing)"
    return json.dumps(value, ensure_ascii=False)


def text_diff(a, b):
    """Line by line, for the long texts of the registry reports."""
    import difflib

    return "\n".join(
        "      " + line
        for line in difflib.unified_diff(a.split("\n"), b.split("\n"), "native", "wine", lineterm="", n=1)
    )


def describe(differences):
    out = []
    for path, a, b in differences:
        out.append(f"  {show_path(path)}:")
        if isinstance(a, str) and isinstance(b, str) and ("\n" in a or "\n" in b):
            out.append(text_diff(a, b))
        else:
            out.append(f"      native: {show_value(a)}")
            out.append(f"      wine:   {show_value(b)}")
    return "\n".join(out)


def count_fields(value):
    if isinstance(value, dict):
        return sum(count_fields(v) for v in value.values())
    if isinstance(value, list):
        return sum(count_fields(v) for v in value)
    return 1


def main(argv):
    if len(argv) != 4 or argv[1] not in LEFT_OUT:
        sys.stderr.write(__doc__)
        return 2
    kind = argv[1]
    documents = []
    for name in argv[2:4]:
        try:
            with open(name, encoding="utf-8") as f:
                documents.append(json.load(f))
        except (OSError, ValueError) as e:
            sys.stderr.write(f"compare: cannot read {name}: {e}\n")
            return 2
    differences = compare(kind, *documents)
    if differences:
        print(f"compare {kind}: {len(differences)} fields differ between the native and the Wine side:")
        print(describe(differences))
        return 1
    left = len(LEFT_OUT[kind])
    print(f"compare {kind}: {count_fields(documents[0])} fields agree"
          + (f" ({left} left out, see LEFT_OUT)" if left else ""))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
