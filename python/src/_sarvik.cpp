// The Python binding: a thin layer over include/sarvik/sarvik.hpp. The GIL is
// released while anything is searched, so Python threads search side by side.
#include <pybind11/functional.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <string>

#include "sarvik/sarvik.hpp"

namespace py = pybind11;

namespace {

std::string repeat_repr(const sarvik::Repeat& r)
{
  char head[200];
  std::snprintf(head, sizeof head, "Repeat(start=%llu, end=%llu, unit_length=%u, unit='",
                static_cast<unsigned long long>(r.start), static_cast<unsigned long long>(r.end), r.unit_length);
  std::string s = head;
  s += r.unit.size() <= 20 ? r.unit : r.unit.substr(0, 17) + "...";
  char tail[160];
  std::snprintf(tail, sizeof tail, "', copy_number=%.3f, score=%d, perfection=%.3f)", static_cast<double>(r.copy_number),
                r.score, static_cast<double>(r.perfection));
  return s + tail;
}

// The scanner's records one by one, the GIL released while they are searched.
class PyScanner {
 public:
  PyScanner(const std::string& path, const sarvik::Parameters& p) : scanner_(new sarvik::Scanner(path, p)) {}

  py::object next()
  {
    const sarvik::Record* rec;
    {
      py::gil_scoped_release release;
      rec = scanner_->next();
    }
    if (!rec) throw py::stop_iteration();
    return py::cast(*rec);
  }

  void on_progress(py::function callback)
  {
    // Called inside next(), whose thread gave up the GIL; and let go by the
    // scanner, perhaps without the GIL too, so it takes the GIL to go.
    struct Held {
      py::function f;
      ~Held()
      {
        py::gil_scoped_acquire acquire;
        f = py::function();
      }
    };
    std::shared_ptr<Held> held(new Held{std::move(callback)});
    scanner_->on_progress([held](const sarvik::Progress& p) {
      py::gil_scoped_acquire acquire;
      held->f(p);
    });
  }

  void stop() { scanner_->stop(); }

  void close()
  {
    py::gil_scoped_release release;
    scanner_.reset();
  }

 private:
  std::unique_ptr<sarvik::Scanner> scanner_;
};

}  // namespace

PYBIND11_MODULE(_sarvik, m)
{
  m.doc() = "Tandem repeats in DNA sequences (the binding; use the sarvik package).";
  m.attr("__version__") = sarvik::version();

  py::class_<sarvik::Parameters> params(m, "Parameters");
  params.def(py::init<>());
#define SARVIK_FIELD(name) params.def_readwrite(#name, &sarvik::Parameters::name);
  SARVIK_FIELD(input) SARVIK_FIELD(output) SARVIK_FIELD(summary) SARVIK_FIELD(report)
  SARVIK_FIELD(sequenceInfoAsComment) SARVIK_FIELD(succN) SARVIK_FIELD(NsAsMissense)
  SARVIK_FIELD(preferShorterRepeats) SARVIK_FIELD(reportUnit) SARVIK_FIELD(NPerfectionMode)
  SARVIK_FIELD(printRepeatSeqMode) SARVIK_FIELD(outputFormat) SARVIK_FIELD(maskX) SARVIK_FIELD(flanking)
  SARVIK_FIELD(minPerfection) SARVIK_FIELD(maxPerfection) SARVIK_FIELD(dontRemoveMostlyOverlapping)
  SARVIK_FIELD(firstSeq) SARVIK_FIELD(lastSeq) SARVIK_FIELD(maximum_score_reduction) SARVIK_FIELD(recursion)
  SARVIK_FIELD(minUnitLen) SARVIK_FIELD(maxUnitLen) SARVIK_FIELD(minLength_b) SARVIK_FIELD(minLength_a)
  SARVIK_FIELD(minLength) SARVIK_FIELD(minScore_b) SARVIK_FIELD(minScore_a) SARVIK_FIELD(minScore)
  SARVIK_FIELD(mismatchScore) SARVIK_FIELD(indelScore) SARVIK_FIELD(searchMode) SARVIK_FIELD(threads)
#undef SARVIK_FIELD
  params.def("validate", [](sarvik::Parameters& p) {
    sarvik::ParameterError e = sarvik::validate(p);
    if (e) throw py::value_error(e.message);
  });

  py::class_<sarvik::Repeat> repeat(m, "Repeat");
#define SARVIK_FIELD(name) repeat.def_readonly(#name, &sarvik::Repeat::name);
  SARVIK_FIELD(unit_length) SARVIK_FIELD(start) SARVIK_FIELD(end) SARVIK_FIELD(length)
  SARVIK_FIELD(normalized_length) SARVIK_FIELD(copy_number) SARVIK_FIELD(score) SARVIK_FIELD(perfection)
  SARVIK_FIELD(mismatches) SARVIK_FIELD(insertions) SARVIK_FIELD(deletions) SARVIK_FIELD(Ns) SARVIK_FIELD(unit)
  SARVIK_FIELD(unit_as_found) SARVIK_FIELD(sequence)
#undef SARVIK_FIELD
  repeat.def_property_readonly("missense", [](const sarvik::Repeat& r) {
    py::list l;
    for (const sarvik::Missense& e : r.missense) l.append(py::make_tuple(e.position, std::string(1, e.kind)));
    return l;
  });
  repeat.def_property_readonly("bed_start", &sarvik::Repeat::bed_start);
  repeat.def_property_readonly("bed_end", &sarvik::Repeat::bed_end);
  repeat.def("__repr__", &repeat_repr);

  py::class_<sarvik::Record>(m, "Record")
      .def_readonly("number", &sarvik::Record::number)
      .def_readonly("name", &sarvik::Record::name)
      .def_readonly("full_name", &sarvik::Record::full_name)
      .def_readonly("length", &sarvik::Record::length)
      .def_readonly("repeats", &sarvik::Record::repeats);

  py::class_<sarvik::Progress>(m, "Progress")
      .def_readonly("record", &sarvik::Progress::record)
      .def_readonly("name", &sarvik::Progress::name)
      .def_readonly("unit_length", &sarvik::Progress::unit_length)
      .def_readonly("records_done", &sarvik::Progress::records_done)
      .def_readonly("nucleotides_done", &sarvik::Progress::nucleotides_done);

  m.def(
      "find",
      [](const std::string& sequence, const sarvik::Parameters& p) {
        try {
          py::gil_scoped_release release;
          return sarvik::find(sequence, p);
        } catch (const std::invalid_argument& e) {
          throw py::value_error(e.what());
        }
      },
      py::arg("sequence"), py::arg("parameters"));

  py::class_<PyScanner>(m, "Scanner")
      .def(py::init<const std::string&, const sarvik::Parameters&>())
      .def("next", &PyScanner::next)
      .def("on_progress", &PyScanner::on_progress)
      .def("stop", &PyScanner::stop)
      .def("close", &PyScanner::close);
}
