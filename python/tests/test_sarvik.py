"""The package against the program: repeats equal, record for record, to the
lines of its one-per-line format on the same input and options."""

import gzip
import io
import os
import random
import subprocess
import threading

import pytest

import sarvik

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
DEMO = os.path.join(ROOT, "examples", "dm3_upstream_40.fa")
PROGRAM = os.environ.get("SARVIK_PROGRAM", os.path.join(ROOT, "build", "sarvik"))
# Klebsiella, when the benchmark has fetched it.
KLEB = os.path.join(ROOT, "bench", ".cache", "Klebs_HS11286.fna")

OPTION_SETS = [
    {},
    {"min_score": 12, "report_unit": 0, "ns_as_missense": True, "n_perfection_mode": 1, "max_unit_len": 30},
    {"dontRemoveMostlyOverlapping": True, "minPerfection": 80, "mismatchScore": -3, "indelScore": -4,
     "reportUnit": 1},
    {"min_unit_len": 2, "max_unit_len": 6, "recursion": 3, "succ_n": 0, "prefer_shorter_repeats": True},
]
MODES = ["exact", "extendExact", "imperfect"]

FLAG = {"ns_as_missense": "--NsAsMissense", "dontRemoveMostlyOverlapping": "-D",
        "prefer_shorter_repeats": "--preferShorterRepeats"}


def command_line(opts):
    args = []
    for name, value in opts.items():
        if value is True:
            args.append(FLAG[name])
            continue
        field = sarvik._BY_KEY[sarvik._key(name)]
        args += ["--" + field, str(value)]
    return args


def program_lines(path, tmp_path, **opts):
    out = tmp_path / "out.txt"
    subprocess.run([PROGRAM, "--outputFormat", "3"] + command_line(opts) + [str(path), str(out)], check=True,
                   stderr=subprocess.DEVNULL)
    return [l for l in out.read_text().splitlines()
            if l and not l.startswith("#") and not l.startswith("seq-name\t")]


def line(name, r, ns_as_missense=False):
    ns = "." if ns_as_missense else str(r.Ns)
    return "%s\t%d\t%.3f\t%d\t%d\t%d\t%7.3f\t%d\t%d\t%d\t%d\t%s\t%s\t%s" % (
        name, r.unit_length, r.perfection, r.start, r.end, r.length, r.copy_number, r.score, r.mismatches,
        r.insertions, r.deletions, ns, r.unit, r.sequence)


def scanned_lines(path, **opts):
    nsm = any(sarvik._key(k) == "nsasmissense" and v for k, v in opts.items())
    return [line(name, r, nsm) for name, repeats in sarvik.scan(path, **opts) for r in repeats]


def fasta_records(path):
    records, name = [], None
    opener = gzip.open if str(path).endswith(".gz") else open
    with opener(path, "rt") as f:
        for l in f:
            l = l.rstrip("\n")
            if l.startswith(">"):
                records.append([l[1:].split()[0], []])
            else:
                records[-1][1].append(l)
    return [(n, "".join(s)) for n, s in records]


requires_program = pytest.mark.skipif(not os.access(PROGRAM, os.X_OK), reason="sarvik program not built")


@requires_program
@pytest.mark.parametrize("mode", MODES)
@pytest.mark.parametrize("opts", OPTION_SETS)
def test_scan_and_find_equal_format_3(tmp_path, mode, opts):
    opts = dict(opts, search_mode=mode)
    expected = program_lines(DEMO, tmp_path, **opts)
    assert expected
    assert scanned_lines(DEMO, threads=3, **opts) == expected
    nsm = opts.get("ns_as_missense", False)
    found = [line(name, r, nsm) for name, seq in fasta_records(DEMO) for r in sarvik.find(seq, **opts)]
    assert found == expected


@requires_program
@pytest.mark.skipif(not os.path.exists(KLEB), reason="Klebsiella not fetched (bench/fetch_inputs.sh)")
@pytest.mark.parametrize("mode", MODES)
def test_klebsiella_equals_format_3(tmp_path, mode):
    assert scanned_lines(KLEB, search_mode=mode) == program_lines(KLEB, tmp_path, search_mode=mode)


@requires_program
def test_random_sequences_in_every_mode(tmp_path):
    rng = random.Random(2212)
    for case in range(6):
        units = ["".join(rng.choice("ACGT") for _ in range(rng.randint(1, 8))) for _ in range(4)]
        records = []
        for i in range(5):
            seq = []
            while sum(map(len, seq)) < 600:
                if rng.random() < 0.5:
                    u = rng.choice(units)
                    rep = list(u * rng.randint(3, 15))
                    for _ in range(rng.randint(0, 3)):
                        rep[rng.randrange(len(rep))] = rng.choice("ACGTN")
                    seq.append("".join(rep))
                else:
                    seq.append("".join(rng.choice("ACGT") for _ in range(rng.randint(5, 40))))
            records.append(">r%d_%d\n%s\n" % (case, i, "".join(seq)))
        path = tmp_path / ("random%d.fa" % case)
        path.write_text("".join(records))
        for mode in MODES:
            opts = dict(search_mode=mode, min_score=rng.randint(4, 14), max_unit_len=rng.randint(4, 12))
            assert scanned_lines(path, threads=2, **opts) == program_lines(path, tmp_path, **opts), (case, opts)


def test_bad_options_raise_the_programs_message():
    with pytest.raises(ValueError, match="Sorry, the mismatch score must be smaller or equal to -2."):
        sarvik.find("ACAC", mismatch_score=-1)
    with pytest.raises(ValueError, match="An outputFormat with a value of 9 is unknown"):
        sarvik.find("ACAC", outputFormat=9)
    with pytest.raises(ValueError, match="maximum unit length must be greater"):
        list(sarvik.scan(DEMO, min_unit_len=5, max_unit_len=4))
    with pytest.raises(TypeError, match="unknown option"):
        sarvik.find("ACAC", min_scor=3)
    with pytest.raises(TypeError):
        sarvik.find("ACAC", min_score="high")
    with pytest.raises(TypeError):
        sarvik.find("ACAC", ns_as_missense=1)
    with pytest.raises(ValueError, match="invalid character"):
        sarvik.find("ACAC1ACAC")


def test_repeat_fields_repr_and_coordinates():
    [r] = sarvik.find(b"ccgTGTGTGTGTGAGTGTGTGTGTGTgcc")
    assert (r.start, r.end, r.bed_start, r.bed_end) == (3, 27, 2, 27)
    assert r.length == len(r.sequence) == r.end - r.start + 1
    assert r.unit == "AC" and r.unit_as_found in ("GT", "TG")
    [(pos, kind)] = r.missense
    assert kind == "M" and r.sequence[pos - 1] == "A"
    assert repr(r).startswith("Repeat(start=3, end=27, unit_length=2, unit='AC'")


def test_gzip_file_objects_and_damaged_input(tmp_path):
    gz = tmp_path / "demo.fa.gz"
    with open(DEMO, "rb") as f, gzip.open(gz, "wb") as g:
        g.write(f.read())
    plain = scanned_lines(DEMO)
    assert scanned_lines(gz) == plain
    with open(DEMO, "rb") as f:
        assert [line(n, r) for n, rs in sarvik.scan(f) for r in rs] == plain
    text = io.StringIO(open(DEMO).read())
    assert [line(n, r) for n, rs in sarvik.scan(text) for r in rs] == plain

    bad = tmp_path / "bad.fa"
    bad.write_text(">a\nACACACACACACACACAC\n>b\nAC1AC\n")
    results = sarvik.scan(bad)
    name, repeats = next(results)
    assert name == "a" and len(repeats) == 1
    with pytest.raises(RuntimeError, match="File position: line 4"):
        next(results)

    picked = [n for n, _ in sarvik.scan(DEMO, first_seq=3, last_seq=4)]
    assert picked == [n for n, _ in fasta_records(DEMO)[2:4]]


def test_biopython_and_pysam_records(tmp_path):
    records = fasta_records(DEMO)[:5]
    expected = [[line(n, r) for r in sarvik.find(s)] for n, s in records]

    Bio = pytest.importorskip("Bio.SeqIO")
    bio = [[line(rec.id, r) for r in sarvik.find(rec)] for rec in Bio.parse(DEMO, "fasta")][:5]
    assert bio == expected
    assert [line(records[0][0], r) for r in sarvik.find(next(Bio.parse(DEMO, "fasta")).seq)] == expected[0]

    pysam = pytest.importorskip("pysam")
    with pysam.FastxFile(DEMO) as f:
        ps = [[line(rec.name, r) for r in sarvik.find(rec)] for rec in f][:5]
    assert ps == expected


def test_two_threads_with_different_options_get_what_they_get_alone():
    a = dict(threads=2)
    b = dict(threads=2, search_mode="extendExact", min_score=10, report_unit=0, max_unit_len=6)
    alone = [scanned_lines(DEMO, **a), scanned_lines(DEMO, **b)]
    assert alone[0] != alone[1]
    together = [None, None]

    def run(i, opts):
        together[i] = scanned_lines(DEMO, **opts)

    threads = [threading.Thread(target=run, args=(i, o)) for i, o in enumerate((a, b))]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert together == alone


def test_progress_and_dataframe():
    seen = []
    results = list(sarvik.scan(DEMO, progress=seen.append))
    assert seen and seen[-1].records_done == len(results)
    pandas = pytest.importorskip("pandas")
    df = sarvik.to_dataframe(results)
    assert len(df) == sum(len(r) for _, r in results)
    assert list(df.columns[:3]) == ["seq_name", "unit_length", "perfection"]
    assert (df["bed_start"] == df["start"] - 1).all()
    assert isinstance(df, pandas.DataFrame)
