#!/usr/bin/env python3
"""Checks that a program's --help and its manual page name the same commands and options.

man_matches_help.py PAGE PROGRAM: PAGE (troff, possibly gzipped) has an OPTIONS section for the
program's own options and, for a program with commands, a COMMANDS section with one .SS per
usage line ("scan -o FILE FOLDER...") followed by that command's options. Commands are those
`PROGRAM --help` lists under "Commands:"; each one's options come from `PROGRAM COMMAND --help`.
"""
import gzip, re, subprocess, sys

OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z0-9][\w-]*)")

def plain(troff):  # the text troff shows, enough to compare names
    troff = re.sub(r"\\f[BIRP]|\\&|\\\(aq", "", troff).replace("\\-", "-").replace("\\~", " ")
    return re.sub(r'^\.(B|I|BR|IR|RB|RI|BI|IB)\s+', "", troff).replace('"', "")

def help_options(text):  # option lines: indented, starting with -x or --xx
    found = set()
    for line in text.splitlines():
        m = re.match(r"\s+(-\S.*?)(\s{2,}|$)", line)
        if m and OPTION.match(m.group(1)):
            found |= set(OPTION.findall(m.group(1)))
    return found

def read_page(path):  # (the OPTIONS section's options, {command heading: its options})
    lines = (gzip.open if path.endswith(".gz") else open)(path, "rt").read().splitlines()
    general, commands, section, heading, tag_next = set(), {}, None, None, False
    for line in lines:
        if line.startswith(".SH"):
            section, heading = plain(line[3:]).strip(), None
        elif line.startswith(".SS") and section == "COMMANDS":
            heading = plain(line[3:]).strip()
            commands[heading] = set()
        elif tag_next and plain(line).startswith("-"):
            if section == "OPTIONS": general |= set(OPTION.findall(plain(line)))
            if heading: commands[heading] |= set(OPTION.findall(plain(line)))
        tag_next = line.startswith(".TP")
    return general, commands

def run(*args):
    return subprocess.run(args, capture_output=True, text=True, check=True).stdout

def main(page, program):
    (general, headings), faults = read_page(page), []
    def compare(what, in_help, in_page):
        for o in sorted(in_help - in_page): faults.append(f"{what}: {o} is in --help, not the page")
        for o in sorted(in_page - in_help): faults.append(f"{what}: {o} is in the page, not --help")
    text = run(program, "--help")
    compare(program, help_options(text), general)
    listed = text.split("\nCommands:\n")[1].split("\n\n")[0] if "\nCommands:\n" in text else ""
    commands = sorted(set(re.findall(r"^  ([a-z][\w-]*)", listed, re.M)))
    name = program.rsplit("/", 1)[-1]
    for command in commands:
        text = run(program, command, "--help")
        own = [h for h in headings if h.split(" ")[0] == command]
        if not own: faults.append(f"{command}: no section in the page")
        for h in own:
            if f"{name} {h}" not in text: faults.append(f"{command}: '{h}' is no usage of --help")
        compare(command, help_options(text), set().union(*(headings[h] for h in own)))
    for h in headings:
        if h.split(" ")[0] not in commands: faults.append(f"'{h}': not a command of --help")
    print("\n".join(faults) or f"{page}: options and {len(commands)} commands agree with --help")
    return 1 if faults else 0

if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
