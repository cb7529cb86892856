#!/usr/bin/env python3
"""A grade sheet sent as a workbook through programs that are not ours.

  workbook_roundtrip.py openpyxl    EKALDO_CLI
  workbook_roundtrip.py libreoffice EKALDO_CLI

openpyxl: reads the workbook our `send --workbook` writes (values, locks,
validation ranges, frozen panes, the hidden header), then fills copies of it
the way a teacher would; our `receive` must give exactly the expected grade
data file, or the expected refusal with nothing written.
libreoffice: converts the workbook once through `soffice --headless
--convert-to xlsx`; receiving the result must give the sheet as sent.
Exits 77 (skipped) when the program needed is not installed.
"""
import datetime
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
ENV = dict(os.environ, LC_ALL="el_GR.UTF-8", LANG="el_GR.UTF-8", QT_QPA_PLATFORM="offscreen")

TITLES = ["α/α", "ΕΠΩΝΥΜΟ", "ΟΝΟΜΑ", "ΠΑΤΡΩΝΥΜΟ", "ΜΗΤΡΩΟ", "ΕΠΙΠΕΔΟ", "ΤΑΞΗ", "ΤΜΗΜΑ",
          "Άλγεβρα", "Φυσική", "Ιστορία"]
# Two ranges, a switched-off subject (-1), a subject without a record (-2),
# register numbers with leading zeros, existing grades and a marker.
SENT = [
    ["101;1;20", "Αλεξίου", "Μαρία", "Γιώργος", "0071", "ΓΥ", "Α", "Α1", "12", "-1", ""],
    ["102;1;20", "Βασιλείου", "Νίκος", "Κώστας", "0072", "ΓΥ", "Α", "Α1", "", "14,5", "Α"],
    ["103;0;10", "Γεωργίου", "Ελένη", "", "0073", "ΛΥ", "Β", "Β1", "-2", "", ""],
    ["104;0;10", "Δημητρίου", "Άννα", "", "0074", "ΛΥ", "Β", "Β1", "7", "", "9"],
]
SUBJECT = {"Άλγεβρα": 8, "Φυσική": 9, "Ιστορία": 10}
FIRST_ROW = 3  # the worksheet row of the first student


class Failure(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failure(what)


def cli(program, folder, *args):
    return subprocess.run([program, "--program-folder", folder, *args], env=ENV, capture_output=True,
                          text=True, timeout=120)


def data_lines(path):
    with open(path, "rb") as f:
        text = f.read().decode("cp1253")
    return text.split("[Data]\r\n", 1)[1].split("\r\n")[:-1]


def header_of(path):
    with open(path, "rb") as f:
        head = f.read().decode("cp1253").split("[Data]", 1)[0]
    return dict(line.split("=", 1) for line in head.split("\r\n") if "=" in line)


def sent_workbook(program, work):
    """The sheet composed as a grade data file in the OutBox, sent as a workbook."""
    prog = os.path.join(work, "office")
    os.makedirs(prog)
    tsv = os.path.join(work, "sheet.tsv")
    with open(tsv, "w", encoding="utf-8") as f:
        f.write("\n".join("\t".join(row) for row in [TITLES] + SENT) + "\n")
    cli(program, prog, "list", "outbox")  # makes the document folders
    run = cli(program, prog, "make-sheet", "--school-year", "2025-2026", tsv, os.path.join(prog, "Exports", "Α1.agd"))
    check(run.returncode == 0, "make-sheet: " + run.stderr)
    workbook = os.path.join(work, "Α1.xlsx")
    run = cli(program, prog, "send", "Α1.agd", workbook, "--workbook")
    check(run.returncode == 0, "send --workbook: " + run.stderr)
    exported = header_of(os.path.join(prog, "Exports", "Α1.agd"))["Exported"]
    check(exported != "", "the OutBox file is stamped Exported")
    return workbook, exported


def receive(program, work, name, workbook):
    """Our receive into a program folder of its own: (run, data lines or None)."""
    prog = os.path.join(work, "teacher-" + name)
    os.makedirs(prog)
    run = cli(program, prog, "receive", workbook)
    target = os.path.join(prog, "Imports", "Α1.agd")
    return run, (data_lines(target) if os.path.exists(target) else None), target


def expected_lines(grades=None, without=()):
    """The sent data lines with grades[(key, subject)] put in and the keys without left out."""
    grades = grades or {}
    lines = ["\t".join(TITLES)]
    for row in SENT:
        if row[0] in without:
            continue
        row = list(row)
        for (key, subject), value in grades.items():
            if key == row[0]:
                row[SUBJECT[subject]] = value
        lines.append("\t".join(row))
    return lines


def student_row(ws, key):
    for r in range(1, ws.max_row + 1):
        if ws.cell(r, 1).value == key:
            return r
    raise Failure("no row of key " + key)


def set_grade(ws, key, subject, value):
    ws.cell(student_row(ws, key), SUBJECT[subject] + 1).value = value


def read_our_workbook(openpyxl, path, exported):
    wb = openpyxl.load_workbook(path)
    check(wb.sheetnames == ["Α1", "ekaldo"], "sheets " + repr(wb.sheetnames))
    ws, hidden = wb["Α1"], wb["ekaldo"]
    check(ws.sheet_state == "visible" and hidden.sheet_state == "hidden", "the header sheet is hidden")
    check(ws.protection.sheet and not ws.protection.password, "protected without a password")
    check(hidden.protection.sheet, "the header sheet is protected")
    check(ws.freeze_panes == "I3", "frozen at " + str(ws.freeze_panes))
    check(ws.column_dimensions["A"].hidden, "the row key column is hidden")
    check(ws.print_title_rows == "1:2" or ws.print_title_rows == "$1:$2", "title rows " + str(ws.print_title_rows))
    check(ws.page_setup.orientation == "landscape", "landscape printing")
    check([c.value for c in ws[2]] == TITLES, "titles " + repr([c.value for c in ws[2]]))
    # Values: numbers as numbers, text as text, register numbers keep their zeros.
    values = {(r[0], c): ws.cell(FIRST_ROW + i, c + 1).value for i, r in enumerate(SENT) for c in range(11)}
    check(values[("101;1;20", 8)] == 12 and values[("102;1;20", 9)] == 14.5, "grades are numbers")
    check(values[("102;1;20", 10)] == "Α" and values[("102;1;20", 4)] == "0072", "texts as they are")
    check(values[("101;1;20", 9)] == "×" and values[("103;0;10", 8)] == "×", "-1 and -2 shown as a cross")
    check(values[("101;1;20", 10)] is None, "an empty grade cell is empty")
    # Locks: titles, student columns and crosses locked, grade cells open.
    for r in range(FIRST_ROW, FIRST_ROW + len(SENT)):
        for c in range(1, 12):
            cross = ws.cell(r, c).value == "×"
            check(ws.cell(r, c).protection.locked == (c <= 8 or cross), "lock of %s" % ws.cell(r, c).coordinate)
    check(ws["B2"].protection.locked and ws["I2"].protection.locked, "titles locked")
    # Validation: a range per run of rows of one scale, with its message.
    ranges = {}
    for dv in ws.data_validations.dataValidation:
        ranges[str(dv.sqref)] = (dv.type, dv.formula1, dv.prompt)
    check(set(ranges) == {"I3:K4", "I5:K6"}, "validation ranges " + repr(sorted(ranges)))
    for ref, low, high in (("I3:K4", "1", "20"), ("I5:K6", "0", "10")):
        kind, formula, prompt = ranges[ref]
        check(kind == "custom" and ">=%s," % low in formula and "<=%s)" % high in formula, "rule of " + ref)
        check('LEFT(%s,1)="Α"' % ref[:2] in formula, "markers allowed in " + ref)
        check(prompt == "Βαθμός από %s έως %s, ή Α, * ή - όταν δεν υπάρχει βαθμός." % (low, high), prompt)
    # The hidden header, so the file can be matched back.
    header = {hidden.cell(r, 1).value: hidden.cell(r, 2).value for r in range(1, 14)}
    check(header["File"] == "MORVEN Grades Data" and header["FileName"] == "Α1.agd", "header " + repr(header))
    check(header["SchoolYear"] == "2025-2026" and header["Exported"] == exported and header["FileID"], "stamps")


def sort_descending(ws):
    rows = [[c.value for c in ws[r]] for r in range(FIRST_ROW, FIRST_ROW + len(SENT))]
    rows.sort(key=lambda row: row[1], reverse=True)
    for i, row in enumerate(rows):
        for c, value in enumerate(row):
            ws.cell(FIRST_ROW + i, c + 1).value = value


def run_openpyxl(program, work):
    try:
        import openpyxl
    except ImportError:
        print("python3-openpyxl is not installed: skipped")
        return SKIP
    workbook, exported = sent_workbook(program, work)
    read_our_workbook(openpyxl, workbook, exported)

    def filter_and_fill(ws):
        ws.auto_filter.ref = "A2:K6"
        ws.auto_filter.add_filter_column(6, ["Β"])
        ws.row_dimensions[3].hidden = True
        ws.row_dimensions[4].hidden = True
        set_grade(ws, "101;1;20", "Ιστορία", 18)
        set_grade(ws, "104;0;10", "Φυσική", 6.25)

    def sort_and_fill(ws):
        sort_descending(ws)
        set_grade(ws, "104;0;10", "Άλγεβρα", 8)
        set_grade(ws, "101;1;20", "Άλγεβρα", 19.5)

    def rename(ws):
        ws.cell(student_row(ws, "103;0;10"), 2).value = "Γεωργίου-Παππά"

    def type_a_stranger(ws):
        ws.cell(7, 1).value = "999;1;20"
        ws.cell(7, 9).value = 10

    # (case, what the teacher does, the grades expected or the refusal expected, rows left out)
    cases = [
        ("numbers", lambda ws: (set_grade(ws, "101;1;20", "Άλγεβρα", 15.5), set_grade(ws, "102;1;20", "Άλγεβρα", 9)),
         {("101;1;20", "Άλγεβρα"): "15,5", ("102;1;20", "Άλγεβρα"): "9"}, ()),
        ("text as typed", lambda ws: (set_grade(ws, "101;1;20", "Άλγεβρα", "15,5"),
                                      set_grade(ws, "102;1;20", "Φυσική", "12.5"),
                                      set_grade(ws, "104;0;10", "Άλγεβρα", "δεκαπέντε")),
         {("101;1;20", "Άλγεβρα"): "15,5", ("102;1;20", "Φυσική"): "12.5", ("104;0;10", "Άλγεβρα"): "δεκαπέντε"}, ()),
        ("markers", lambda ws: (set_grade(ws, "102;1;20", "Άλγεβρα", "Α"), set_grade(ws, "104;0;10", "Ιστορία", "*"),
                                set_grade(ws, "103;0;10", "Φυσική", "-")),
         {("102;1;20", "Άλγεβρα"): "Α", ("104;0;10", "Ιστορία"): "*", ("103;0;10", "Φυσική"): "-"}, ()),
        ("sorted", sort_and_fill, {("104;0;10", "Άλγεβρα"): "8", ("101;1;20", "Άλγεβρα"): "19,5"}, ()),
        ("filtered", filter_and_fill, {("101;1;20", "Ιστορία"): "18", ("104;0;10", "Φυσική"): "6,25"}, ()),
        ("deleted row", lambda ws: ws.delete_rows(student_row(ws, "102;1;20")), {}, ("102;1;20",)),
        ("inserted blank row", lambda ws: (ws.insert_rows(4), set_grade(ws, "104;0;10", "Φυσική", 10)),
         {("104;0;10", "Φυσική"): "10"}, ()),
        ("changed surname", rename, "η στήλη «ΕΠΩΝΥΜΟ» γράφει «Γεωργίου-Παππά» ενώ στάλθηκε «Γεωργίου»", ()),
        ("unknown key", type_a_stranger, "κλειδί μαθητή «999;1;20» που δεν υπάρχει στο φύλλο που στάλθηκε", ()),
        ("a character the grade file cannot carry", lambda ws: set_grade(ws, "101;1;20", "Άλγεβρα", "15✓"),
         "δεν μπορεί να δημιουργηθεί!", ()),
    ]
    failures = 0
    for name, fill, expected, without in cases:
        try:
            wb = openpyxl.load_workbook(workbook)
            fill(wb["Α1"])
            # A spreadsheet program stamps its save; openpyxl leaves that to its caller.
            wb.properties.modified = wb.properties.created + datetime.timedelta(hours=1)
            filled = os.path.join(work, name.replace(" ", "-") + ".xlsx")
            wb.save(filled)
            run, lines, target = receive(program, work, name.replace(" ", "-"), filled)
            if isinstance(expected, str):
                check(run.returncode == 1 and expected in run.stderr, "refusal: " + run.stderr)
                check(lines is None, "nothing written on a refusal")
                print("ok:", name, "refused")
                continue
            check(run.returncode == 0, "receive: " + run.stderr)
            check("Γραμμές μαθητών: %d" % (len(SENT) - len(without)) in run.stdout, "shown first: " + run.stdout)
            check(lines == expected_lines(expected, without), "\n".join(lines or []))
            received = header_of(target)
            check(received["Exported"] == exported and received["Imported"], "stamps " + repr(received))
            check(received["Modified"] != "", "saved by the teacher: the moment is kept as Modified")
            check(received["FileName"] == "Α1.agd" and received["SchoolYear"] == "2025-2026", "header")
            print("ok:", name)
        except Failure as e:
            failures += 1
            print("FAILED:", name, "-", e)
    # A second receive never replaces the first unasked.
    run = cli(program, os.path.join(work, "teacher-numbers"), "receive", workbook)
    if run.returncode != 1 or "υπάρχει!" not in run.stderr or "--overwrite" not in run.stderr:
        failures += 1
        print("FAILED: receiving over an existing file without --overwrite:", run.stderr)
    return 1 if failures else 0


def run_libreoffice(program, work):
    soffice = shutil.which("soffice") or shutil.which("libreoffice")
    if not soffice:
        print("LibreOffice is not installed: skipped")
        return SKIP
    workbook, exported = sent_workbook(program, work)
    out = os.path.join(work, "converted")
    home = os.path.join(work, "home")
    os.makedirs(home)
    # A profile of its own: never the user's, never shared with another run;
    # an ASCII name, which LibreOffice opens under any locale.
    env = dict(os.environ, HOME=home, LC_ALL="C.UTF-8", LANG="C.UTF-8")
    source = os.path.join(work, "sent.xlsx")
    shutil.copy(workbook, source)
    run = subprocess.run([soffice, "-env:UserInstallation=file://" + home, "--headless", "--norestore",
                          "--convert-to", "xlsx", "--outdir", out, source],
                         env=env, capture_output=True, text=True, timeout=240)
    converted = os.path.join(out, "sent.xlsx")
    check(run.returncode == 0 and os.path.exists(converted), "soffice: " + run.stdout + run.stderr)
    run, lines, target = receive(program, work, "libreoffice", converted)
    check(run.returncode == 0, "receive: " + run.stderr)
    check(lines == expected_lines(), "\n".join(lines or []))
    check(header_of(target)["Exported"] == exported, "the Exported stamp survives")
    print("ok: converted by", soffice)
    return 0


def main():
    mode, program = sys.argv[1], sys.argv[2]
    work = tempfile.mkdtemp(prefix="ekaldo-workbook-")
    try:
        return {"openpyxl": run_openpyxl, "libreoffice": run_libreoffice}[mode](program, work)
    except Failure as e:
        print("FAILED:", e)
        return 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
