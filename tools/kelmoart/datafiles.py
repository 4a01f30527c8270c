"""Character data files: from the UTF-8 masters in tools/dialogue/ to what the program reads.

The program reads Shift-JIS (code page 932) text with CR LF line ends. The masters are kept in
UTF-8 so that they can be edited and reviewed anywhere; this module converts them, refusing any
character that code page 932 cannot hold, scrambles the files that are meant to be shipped
scrambled (the byte shifts of the program's TCrypt, with the header line carrying the file key),
and checks every dictionary line the way the program will split it, so that a reply with an
unquoted blank or comma, or an unbalanced brace, is caught here instead of silently misbehaving.
"""

BUILT_IN_KEY = b"MossyLanterns"
SCRAMBLED_MARKER = b"encrypted"

# Minimum number of fields of a dictionary line per kind; kind C lines are not split.
FIELD_COUNTS = {"0": 2, "A": 3, "B": 2}

# Definition-file keys naming dictionary files, with the kind each holds.
DICTIONARY_KEYS = {
    "data01": "0", "data02": "0",
    "dataa1": "A", "dataa2": "A",
    "datab1": "B", "datab2": "B",
    "datac1": "C", "datac2": "C",
}


class DataError(Exception):
    """A master file that would not load the way its author meant."""


def encode_text(text, where):
    """The text as code page 932 bytes; every character must survive the way back."""
    try:
        data = text.encode("cp932")
    except UnicodeEncodeError as error:
        raise DataError(f"{where}: {text[error.start]!r} has no Shift-JIS form") from None
    if data.decode("cp932") != text:
        raise DataError(f"{where}: a character changes on its way through Shift-JIS")
    return data


def read_master_lines(path):
    """The lines of a UTF-8 master file (LF line ends, no carriage returns)."""
    with open(path, encoding="utf-8") as master:
        text = master.read()
    if "\r" in text:
        raise DataError(f"{path}: masters use LF line ends")
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    return lines


def join_crlf(lines):
    """Byte lines joined as a Windows text file: each one followed by CR LF."""
    return b"".join(line + b"\r\n" for line in lines)


def split_comma_text(data):
    """Fields of one line by the comma-text rule (bytes in, list of bytes out)."""
    fields = []
    pos = 0
    end = len(data)

    def skip_blanks(p):
        while p < end and 1 <= data[p] <= 32:
            p += 1
        return p

    pos = skip_blanks(pos)
    while pos < end:
        if data[pos] == 0x22:
            field = bytearray()
            pos += 1
            while pos < end:
                if data[pos] == 0x22:
                    if pos + 1 < end and data[pos + 1] == 0x22:
                        field.append(0x22)
                        pos += 2
                        continue
                    pos += 1
                    break
                field.append(data[pos])
                pos += 1
            fields.append(bytes(field))
        else:
            start = pos
            while pos < end and data[pos] != 0x2C and data[pos] > 32:
                pos += 1
            fields.append(data[start:pos])
        pos = skip_blanks(pos)
        if pos < end and data[pos] == 0x2C:
            pos = skip_blanks(pos + 1)
    return fields


def scramble_line(line, key):
    """One line scrambled with the key's shifts (key byte modulo 20), byte count unchanged."""
    if not key:
        return line
    shifts = [k % 20 for k in key]
    out = bytearray()
    for index, byte in enumerate(line):
        value = byte + shifts[index % len(shifts)]
        if value > 255:
            value -= 224
        out.append(value)
    return bytes(out)


def scramble_lines(lines, key):
    """A whole file scrambled: the header with the file key, then every line."""
    for number, line in enumerate(lines, 1):
        if any(byte < 32 for byte in line):
            raise DataError(f"line {number}: control bytes do not survive scrambling")
    if not lines:
        return []
    header = SCRAMBLED_MARKER + scramble_line(key, BUILT_IN_KEY)
    return [header] + [scramble_line(line, key) for line in lines]


def brace_balance_problem(text):
    """Why the braces of a macro text are unbalanced, or None when they are fine."""
    depth = 0
    for char in text:
        if char == "{":
            depth += 1
        elif char == "}":
            depth -= 1
            if depth < 0:
                return "a '}' closes no group (the whole reply would evaluate to nothing)"
    if depth > 0:
        return "a '{' is never closed (the text after it would be dropped)"
    return None


# Headings in kind 0, A and B files start with this mark and hold no blank or comma, so that the
# program skips them as one-field lines.
HEADING_MARK = "■".encode("cp932")

# A reply made of a lone "}" deliberately evaluates to nothing (a timed talk that stays quiet).
QUIET_REPLY = "}"


def check_dictionary(lines, kind, where):
    """Raises DataError for a line that the program would read differently from its intent."""
    if kind == "C":
        for number, line in enumerate(lines, 1):
            problem = brace_balance_problem(line)
            if problem:
                raise DataError(f"{where}:{number}: {problem}")
        return
    wanted = FIELD_COUNTS[kind]
    for number, line in enumerate(lines, 1):
        fields = split_comma_text(encode_text(line, where))
        if len(fields) <= 1:
            continue  # skipped by the program: blank lines and one-word headings
        if fields[0].startswith(HEADING_MARK):
            raise DataError(f"{where}:{number}: a heading must not hold a blank or a comma")
        if len(fields) != wanted:
            raise DataError(
                f"{where}:{number}: {len(fields)} fields where kind {kind} takes {wanted}"
                " (quote a field that holds a blank or a comma)")
        texts = [field.decode("cp932") for field in fields]
        if texts[0].upper() in ("{PRIOR}", "{ENDOFDATA}"):
            continue
        for index, text in enumerate(texts):
            if index == len(texts) - 1 and text == QUIET_REPLY:
                continue
            problem = brace_balance_problem(text)
            if problem:
                raise DataError(f"{where}:{number}: {problem}")
