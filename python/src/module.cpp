// coswitch._coswitch: the library under the Python package. The package
// (coswitch/__init__.py and _scan.py) turns DataFrames and AnnData into the
// plain table and design taken here, and these columns into DataFrames.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "coswitch/coswitch.hpp"

namespace py = pybind11;
namespace api = coswitch::api;

namespace {

using Clock = std::chrono::steady_clock;
// Python is entered at most this often during a run, so that a progress bar
// or Ctrl-C costs nothing next to the pairs however many pairs there are.
constexpr std::chrono::milliseconds kCallEvery{100};

// The run's link to Python while it runs without the GIL: Ctrl-C, and an
// exception of the progress callable, set the cancel flag and are kept
// until the GIL is held again, to be raised in place of the library's
// Cancelled.
class Watch {
public:
    explicit Watch(py::object progress) : progress_(std::move(progress)) {}

    api::Control control() {
        api::Control c;
        c.cancel = &cancel_;
        c.progress = [this](std::int64_t done, std::int64_t total) { report(done, total); };
        return c;
    }

    // Called with the GIL held, after the run.
    void raise_kept() {
        if (kept_) throw std::move(*kept_);
    }

private:
    void report(std::int64_t done, std::int64_t total) {
        const Clock::time_point now = Clock::now();
        if (called_ && done != total && now - last_ < kCallEvery) return;
        called_ = true;
        last_ = now;
        py::gil_scoped_acquire gil;
        if (kept_) return;
        try {
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
            if (!progress_.is_none()) progress_(done, total);
        } catch (py::error_already_set& e) {
            kept_.emplace(std::move(e));
            cancel_ = true;
        }
    }

    py::object progress_;
    std::atomic<bool> cancel_{false};
    std::optional<py::error_already_set> kept_;
    bool called_ = false;
    Clock::time_point last_;
};

template <class T>
py::array_t<T> column(const std::vector<T>& v) {
    py::array_t<T> a(static_cast<py::ssize_t>(v.size()));
    std::copy(v.begin(), v.end(), a.mutable_data());
    return a;
}

// A list of n references to the few strings a column holds, not n strings.
class Words {
public:
    PyObject* operator()(const std::string& s) {
        auto it = words_.find(s);
        if (it == words_.end()) it = words_.emplace(s, py::str(s)).first;
        return it->second.ptr();
    }

private:
    std::unordered_map<std::string, py::str> words_;
};

template <class Get>
py::list words(std::size_t n, Words& w, Get get) {
    py::list out(n);
    for (std::size_t k = 0; k < n; ++k) {
        PyObject* o = w(get(k));
        Py_INCREF(o);
        PyList_SET_ITEM(out.ptr(), static_cast<py::ssize_t>(k), o);
    }
    return out;
}

py::dict pair_columns(const api::Result& r) {
    const std::vector<api::Pair>& p = r.pairs;
    const std::size_t n = p.size();
    std::vector<std::int64_t> rank(n);
    std::vector<double> stat_new(n), p_new(n), p_new_bh(n), stat_corr(n), p_corr(n), p_corr_bh(n),
        corr(n);
    for (std::size_t k = 0; k < n; ++k) {
        rank[k] = p[k].rank;
        stat_new[k] = p[k].stat_new;
        p_new[k] = p[k].p_new;
        p_new_bh[k] = p[k].p_new_bh;
        stat_corr[k] = p[k].stat_corr;
        p_corr[k] = p[k].p_corr;
        p_corr_bh[k] = p[k].p_corr_bh;
        corr[k] = p[k].r;
    }
    py::array_t<bool> switching1(static_cast<py::ssize_t>(n)), switching2(static_cast<py::ssize_t>(n));
    for (std::size_t k = 0; k < n; ++k) {
        switching1.mutable_data()[k] = p[k].switching1;
        switching2.mutable_data()[k] = p[k].switching2;
    }
    Words w;
    py::dict d;
    d["rank"] = column(rank);
    d["gene1"] = words(n, w, [&](std::size_t k) -> const std::string& { return p[k].gene1; });
    d["gene2"] = words(n, w, [&](std::size_t k) -> const std::string& { return p[k].gene2; });
    d["stat_new"] = column(stat_new);
    d["p_new"] = column(p_new);
    d["p_new_bh"] = column(p_new_bh);
    d["stat_corr"] = column(stat_corr);
    d["p_corr"] = column(p_corr);
    d["p_corr_bh"] = column(p_corr_bh);
    d["r"] = column(corr);
    d["phase"] = words(n, w, [&](std::size_t k) -> const std::string& { return p[k].phase; });
    d["switching1"] = switching1;
    d["switching2"] = switching2;
    d["note"] = words(n, w, [&](std::size_t k) -> const std::string& { return p[k].note; });
    return d;
}

py::dict gene_columns(const std::vector<api::Gene>& g) {
    const std::size_t n = g.size();
    std::vector<std::int64_t> index(n), missing(n);
    std::vector<double> mean0(n), sd0(n), mean1(n), sd1(n), weight1(n), bic_gain(n), persistence(n),
        persistence_p(n);
    py::array_t<bool> switching(static_cast<py::ssize_t>(n));
    for (std::size_t k = 0; k < n; ++k) {
        index[k] = g[k].index;
        mean0[k] = g[k].mean0;
        sd0[k] = g[k].sd0;
        mean1[k] = g[k].mean1;
        sd1[k] = g[k].sd1;
        weight1[k] = g[k].weight1;
        bic_gain[k] = g[k].bic_gain;
        persistence[k] = g[k].persistence;
        persistence_p[k] = g[k].persistence_p;
        switching.mutable_data()[k] = g[k].switching;
        missing[k] = g[k].missing;
    }
    Words w;
    py::dict d;
    d["gene"] = words(n, w, [&](std::size_t k) -> const std::string& { return g[k].id; });
    d["status"] = words(n, w, [&](std::size_t k) -> const std::string& { return g[k].status; });
    d["reason"] = words(n, w, [&](std::size_t k) -> const std::string& { return g[k].reason; });
    d["index"] = column(index);
    d["mean0"] = column(mean0);
    d["sd0"] = column(sd0);
    d["mean1"] = column(mean1);
    d["sd1"] = column(sd1);
    d["weight1"] = column(weight1);
    d["bic_gain"] = column(bic_gain);
    d["persistence"] = column(persistence);
    d["persistence_p"] = column(persistence_p);
    d["switching"] = switching;
    d["missing"] = column(missing);
    return d;
}

api::Matrix matrix_of(std::vector<std::string> genes, std::vector<std::string> samples,
                      const py::array_t<double, py::array::c_style | py::array::forcecast>& values) {
    if (values.ndim() != 2 || static_cast<std::size_t>(values.shape(0)) != genes.size() ||
        static_cast<std::size_t>(values.shape(1)) != samples.size())
        throw api::Error(2, "the values are not a genes x samples array");
    api::Matrix m;
    m.genes = std::move(genes);
    m.samples = std::move(samples);
    m.values.assign(values.data(), values.data() + values.size());
    return m;
}

api::Result scan(std::vector<std::string> genes, std::vector<std::string> samples,
                 const py::array_t<double, py::array::c_style | py::array::forcecast>& values,
                 std::vector<double> time, std::vector<std::string> replicate,
                 const api::Settings& settings, py::object progress) {
    const api::Matrix data = matrix_of(std::move(genes), std::move(samples), values);
    const api::Design design{std::move(time), std::move(replicate)};
    Watch watch(std::move(progress));
    const api::Control control = watch.control();
    std::optional<api::Result> result;
    try {
        py::gil_scoped_release free;
        result.emplace(api::scan(data, design, settings, control));
    } catch (const api::Cancelled&) {
        watch.raise_kept();
        throw;
    }
    // Ctrl-C at the last pair: the run is done but the user asked to stop.
    watch.raise_kept();
    return std::move(*result);
}

}  // namespace

PYBIND11_MODULE(_coswitch, m) {
    m.doc() = "The coswitch library; use the package coswitch.";

    // coswitch.Error carries the command line's exit status; a cancelled
    // run whose cause is not kept (never, from scan below) is an interrupt.
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p) std::rethrow_exception(p);
        } catch (const api::Error& e) {
            const py::object error = py::module_::import("coswitch._errors").attr("Error");
            PyErr_SetObject(error.ptr(), py::make_tuple(e.what(), e.status()).ptr());
        } catch (const api::Cancelled& e) {
            PyErr_SetString(PyExc_KeyboardInterrupt, e.what());
        }
    });

    py::class_<api::Settings>(m, "Settings")
        .def(py::init<>())
        .def_readwrite("genes", &api::Settings::genes)
        .def_readwrite("missing", &api::Settings::missing)
        .def_readwrite("max_missing", &api::Settings::max_missing)
        .def_readwrite("transform", &api::Settings::transform)
        .def_readwrite("normalise", &api::Settings::normalise)
        .def_readwrite("bootstrap", &api::Settings::bootstrap)
        .def_readwrite("null", &api::Settings::null)
        .def_readwrite("threads", &api::Settings::threads)
        .def_readwrite("fdr", &api::Settings::fdr)
        .def_readwrite("report_pairs", &api::Settings::report_pairs)
        .def_readwrite("gzip", &api::Settings::gzip);

    py::class_<api::Result>(m, "Result")
        .def_readonly("pooled_nulls", &api::Result::pooled_nulls)
        .def_readonly("pair_notes", &api::Result::pair_notes)
        .def_readonly("time_points", &api::Result::time_points)
        .def_readonly("replicates", &api::Result::replicates)
        .def("pair_columns", &pair_columns)
        .def("gene_columns", [](const api::Result& r) { return gene_columns(r.genes); })
        .def(
            "write",
            [](const api::Result& r, const std::string& dir, const std::string& how) {
                py::gil_scoped_release free;
                r.write(dir, how);
            },
            py::arg("dir"), py::arg("how"));

    m.def("scan", &scan, py::arg("genes"), py::arg("samples"), py::arg("values"), py::arg("time"),
          py::arg("replicate"), py::arg("settings"), py::arg("progress"));
    m.def("version", &api::version);
}
