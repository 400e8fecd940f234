"""Tandem repeats (microsatellites and satellites) in DNA sequences.

    >>> import sarvik
    >>> [r.unit for r in sarvik.find("GGACACACACACACACGG")]
    ['AC']
    >>> for name, repeats in sarvik.scan("genome.fa.gz", threads=4, min_score=12):
    ...     print(name, len(repeats))

Options are the long command-line option names of the ``sarvik`` program,
as they are (``minScore``, ``NsAsMissense``) or in snake_case (``min_score``,
``ns_as_missense``), with the program's defaults. A value the program would
refuse raises ``ValueError`` with the program's message.

Coordinates of a :class:`Repeat`: ``start`` and ``end`` are 1-based and
inclusive, as the program prints them; ``bed_start`` and ``bed_end`` are the
0-based, half-open pair of BED (``bed_start == start - 1``, ``bed_end ==
end``). Missense positions are 1-based within the repeat.

The repeats are those that the program's one-per-line format lists, in its
order. Searches release the GIL: Python threads, and ``threads=N``, search
side by side, each with its own options.
"""

import os
import shutil
import tempfile

from . import _sarvik
from ._sarvik import Parameters, Progress, Record, Repeat

__version__ = _sarvik.__version__
__all__ = ["find", "scan", "to_dataframe", "options", "Repeat", "Record", "Progress", "Parameters"]

_FIELDS = [name for name in dir(Parameters) if not name.startswith("_") and name != "validate"]
_BY_KEY = {name.replace("_", "").lower(): name for name in _FIELDS}


def _key(name):
    return name.replace("_", "").lower()


def options(**kwargs):
    """The checked :class:`Parameters` for the given options.

    Raises TypeError for an unknown option or a value of the wrong type, and
    ValueError with the program's message for a value it refuses.
    """
    p = Parameters()
    for name, value in kwargs.items():
        field = _BY_KEY.get(_key(name))
        if field is None or field in ("input", "output", "summary", "report"):
            raise TypeError("unknown option %r" % name)
        if isinstance(value, bool) != isinstance(getattr(p, field), bool):
            raise TypeError("option %r takes %s, not %r" % (name, type(getattr(p, field)).__name__, value))
        try:
            setattr(p, field, value)
        except TypeError:
            raise TypeError("option %r takes %s, not %r" % (name, type(getattr(p, field)).__name__, value)) from None
    p.validate()
    return p


def _sequence_text(sequence):
    """The text of a str, bytes, Biopython Seq or SeqRecord, or pysam record."""
    if isinstance(sequence, str):
        return sequence
    if isinstance(sequence, (bytes, bytearray, memoryview)):
        return bytes(sequence).decode("latin-1")
    if hasattr(sequence, "sequence"):  # pysam.FastxRecord / FastqProxy
        return str(sequence.sequence)
    if hasattr(sequence, "seq"):  # Bio.SeqRecord.SeqRecord
        return str(sequence.seq)
    return str(sequence)  # Bio.Seq.Seq and the like


def find(sequence, **options_):
    """The repeats of one sequence, a list of :class:`Repeat`.

    ``sequence`` is read as a FASTA record's lines: case is ignored, U reads
    as T, ambiguity codes as N, blanks, '-' and '*' are left out (positions
    count what is left); another character raises ValueError.
    """
    p = options(**options_)
    return _sarvik.find(_sequence_text(sequence), p)


def scan(path_or_file, threads=None, progress=None, **options_):
    """Yields ``(name, repeats)`` for every record of a FASTA file, in order.

    ``path_or_file`` is a path (plain or gzip) or a binary or text file
    object (copied to a temporary file first). ``threads`` defaults to the
    cores the process may use; ``progress``, if given, is called with a
    :class:`Progress` after each record and about every second. The options
    ``first_seq`` and ``last_seq`` choose a range of records (1-based).
    A damaged file raises RuntimeError with the program's message after the
    records before the damage.
    """
    if threads is not None:
        options_["threads"] = threads
    p = options(**options_)
    temp = None
    if isinstance(path_or_file, (str, bytes, os.PathLike)):
        path = os.fsdecode(path_or_file)
    else:
        temp = tempfile.NamedTemporaryFile(prefix="sarvik-", suffix=".fa", delete=False)
        with temp:
            if isinstance(path_or_file.read(0), str):
                for chunk in iter(lambda: path_or_file.read(1 << 20), ""):
                    temp.write(chunk.encode("latin-1"))
            else:
                shutil.copyfileobj(path_or_file, temp, 1 << 20)
        path = temp.name
    scanner = _sarvik.Scanner(path, p)
    try:
        if progress is not None:
            scanner.on_progress(progress)
        while True:
            try:
                record = scanner.next()
            except StopIteration:
                return
            yield record.name, record.repeats
    finally:
        scanner.close()
        if temp is not None:
            os.unlink(temp.name)


_COLUMNS = ["seq_name", "unit_length", "perfection", "start", "end", "length", "copy_number", "score",
            "mismatches", "insertions", "deletions", "Ns", "unit", "unit_as_found", "sequence", "bed_start",
            "bed_end", "normalized_length"]


def _rows(results):
    for item in results:
        if isinstance(item, Repeat):
            yield ("",) + _values(item)
        else:
            name, repeats = item
            for r in repeats:
                yield (name,) + _values(r)


def _values(r):
    return (r.unit_length, r.perfection, r.start, r.end, r.length, r.copy_number, r.score, r.mismatches,
            r.insertions, r.deletions, r.Ns, r.unit, r.unit_as_found, r.sequence, r.bed_start, r.bed_end,
            r.normalized_length)


def to_dataframe(results):
    """A pandas DataFrame of the output of :func:`scan` or :func:`find`.

    One row per repeat; ``seq_name`` is empty for the repeats of ``find``.
    Needs pandas (nothing else in this package does).
    """
    import pandas

    return pandas.DataFrame.from_records(list(_rows(results)), columns=_COLUMNS)
