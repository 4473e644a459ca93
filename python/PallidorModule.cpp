// The `pallidor` Python module's native part, on the public C++ API alone. The decode and the
// judgment run without the interpreter lock, so Python threads judge in parallel.
#include <pybind11/pybind11.h>

#include <string>
#include <utility>

#include "pallidor/Judge.h"

namespace py = pybind11;

namespace {

// The outcome of one judgment as Python sees it. Plain Python values, made once.
struct PyVerdict {
    py::object verdict;   // "monochrome", "color" or None
    py::object error;     // the message, or None
    py::object code;      // "decode-failed", ..., or None
    py::object evidence;  // dict, or None without a verdict
};

[[noreturn]] void RaiseValueError(const std::string& text) { throw py::value_error(text); }

// A key's value as the settings file would hold it: Python's own spelling of a number.
std::string ValueText(const std::string& key, const py::handle& value) {
    if (py::isinstance<py::bool_>(value)) return value.cast<bool>() ? "1" : "0";
    if (py::isinstance<py::int_>(value) || py::isinstance<py::float_>(value) || py::isinstance<py::str>(value)) {
        return py::str(value).cast<std::string>();
    }
    RaiseValueError(key + " takes a number, not " + py::repr(value).cast<std::string>());
}

void SetKeys(pallidor::JudgeParams& params, const py::dict& keys) {
    for (const auto& [name, value] : keys) {
        const std::string key = py::str(name).cast<std::string>();
        std::string error;
        if (!params.Set(key, ValueText(key, value), &error)) RaiseValueError(error);
    }
}

// "12.000000" is a percentage, "1" an integer: the settings file writes them so.
py::object TypedValue(const std::string& text) {
    if (text.find('.') != std::string::npos) return py::float_(std::stod(text));
    return py::int_(std::stoll(text));
}

py::object EvidenceValue(const pallidor::EvidenceValue& value) {
    switch (value.kind) {
        case pallidor::EvidenceValue::Kind::Null: return py::none();
        case pallidor::EvidenceValue::Kind::Bool: return py::bool_(value.boolean);
        case pallidor::EvidenceValue::Kind::Integer: return py::int_(value.integer);
        case pallidor::EvidenceValue::Kind::Real: return py::float_(value.real);
        case pallidor::EvidenceValue::Kind::Text: return py::str(value.text);
    }
    return py::none();
}

PyVerdict ToPython(const pallidor::Judgment& judgment) {
    PyVerdict result{py::none(), py::none(), py::none(), py::none()};
    if (judgment.verdict != pallidor::Verdict::None) {
        result.verdict = py::str(judgment.verdict == pallidor::Verdict::Monochrome ? "monochrome" : "color");
        py::dict evidence;
        for (const pallidor::EvidenceField& field : judgment.evidence) {
            evidence[py::str(field.name)] = EvidenceValue(field.value);
        }
        result.evidence = std::move(evidence);
    }
    if (!judgment.error.empty()) {
        // Messages are UTF-8; a file name inside one may not be, and must not lose the verdict.
        result.error = py::reinterpret_steal<py::object>(
            PyUnicode_DecodeUTF8(judgment.error.data(), static_cast<Py_ssize_t>(judgment.error.size()), "replace"));
        result.code = py::str(pallidor::ErrorCodeName(judgment.code));
    }
    return result;
}

// A buffer held for the length of one judgment; released with the lock held.
struct HeldBuffer {
    Py_buffer view{};
    bool held = false;
    ~HeldBuffer() {
        if (held) PyBuffer_Release(&view);
    }
};

PyVerdict Judge(const py::object& source, const py::object& settings, const py::kwargs& keys) {
    pallidor::JudgeParams params;
    if (!settings.is_none()) params = settings.cast<const pallidor::JudgeParams&>();
    SetKeys(params, keys);

    const py::module_ os = py::module_::import("os");
    if (py::isinstance<py::str>(source) || py::isinstance(source, os.attr("PathLike"))) {
        // The file name's bytes as the file system holds them (os.fsencode), undecoded.
        const std::string name = os.attr("fsencode")(source).cast<std::string>();
        pallidor::Judgment judgment;
        {
            py::gil_scoped_release unlocked;
            judgment = pallidor::JudgeFile(std::filesystem::path(name), params);
        }
        return ToPython(judgment);
    }
    HeldBuffer buffer;
    if (PyObject_GetBuffer(source.ptr(), &buffer.view, PyBUF_SIMPLE) != 0) {
        PyErr_Clear();
        throw py::type_error("pallidor.judge takes a path (str or path-like) or a bytes-like object, not " +
                             py::str(py::type::handle_of(source).attr("__name__")).cast<std::string>());
    }
    buffer.held = true;
    pallidor::Judgment judgment;
    {
        // The exporter cannot resize or free the memory while the view is held.
        py::gil_scoped_release unlocked;
        judgment = pallidor::JudgeBytes(buffer.view.buf, static_cast<std::size_t>(buffer.view.len), params);
    }
    return ToPython(judgment);
}

pallidor::JudgeParams SettingsFrom(const py::object& file, const py::dict& keys) {
    pallidor::JudgeParams params;
    if (!file.is_none()) {
        const py::module_ os = py::module_::import("os");
        const std::string name = os.attr("fsencode")(file).cast<std::string>();
        std::string error;
        if (!pallidor::LoadJudgeParams(std::filesystem::path(name), params, &error)) {
            PyErr_SetObject(PyExc_FileNotFoundError, py::str(error).ptr());
            throw py::error_already_set();
        }
    }
    SetKeys(params, keys);
    return params;
}

pallidor::JudgeParams MakeSettings(const py::object& file, const py::kwargs& keys) {
    return SettingsFrom(file, keys);
}

py::dict SettingsAsDict(const pallidor::JudgeParams& params) {
    py::dict values;
    for (const auto& [key, text] : params.Keys()) values[py::str(key)] = TypedValue(text);
    return values;
}

}  // namespace

PYBIND11_MODULE(_pallidor, m) {
    m.doc() = "Judges pictures (PNG, GIF, BMP, JPEG, TIFF, WebP) as monochrome or colour.";
    m.attr("__version__") = pallidor::Version();

    py::class_<pallidor::JudgeParams>(m, "Settings",
        "The judgment's settings by their keys in the settings file: Settings(file=None, **keys)\n"
        "reads the [JUDGMENT] keys of an INI settings file (when given) and then sets the keys\n"
        "given by name, e.g. Settings(IS_PERCEPTUAL_JUDGE=1). A key that is not the judgment's,\n"
        "or a value that is not a number of its kind, raises ValueError.")
        .def(py::init(&MakeSettings), py::arg("file") = py::none())
        .def("replace", [](const pallidor::JudgeParams& self, const py::kwargs& keys) {
                pallidor::JudgeParams copy = self;
                SetKeys(copy, keys);
                return copy;
            }, "A copy with the keys given by name changed.")
        .def("as_dict", &SettingsAsDict, "Every key with its value, in the order of the settings file.")
        .def("__getitem__", [](const pallidor::JudgeParams& self, const std::string& key) {
                const std::string text = self.Get(key);
                if (text.empty()) throw py::key_error(key);
                return TypedValue(text);
            })
        .def("__eq__", [](const pallidor::JudgeParams& self, const pallidor::JudgeParams& other) {
                return self.Keys() == other.Keys();
            })
        .def("__repr__", [](const pallidor::JudgeParams& self) {
                std::string text = "pallidor.Settings(";
                const char* separator = "";
                for (const auto& [key, value] : self.Keys()) {
                    text += separator + key + "=" + py::repr(TypedValue(value)).cast<std::string>();
                    separator = ", ";
                }
                return text + ")";
            })
        .def(py::pickle([](const pallidor::JudgeParams& self) { return SettingsAsDict(self); },
                        [](const py::dict& values) { return SettingsFrom(py::none(), values); }));

    py::class_<PyVerdict>(m, "Verdict", "The outcome of pallidor.judge.")
        .def_readonly("verdict", &PyVerdict::verdict, "\"monochrome\", \"color\", or None when the picture failed")
        .def_readonly("error", &PyVerdict::error, "the failure's message, or None")
        .def_readonly("code", &PyVerdict::code,
                      "the failure's stable name (not-found, not-a-file, unreadable, unsupported,\n"
                      "wrong-extension, decode-failed, too-large, permission-denied), or None")
        .def_readonly("evidence", &PyVerdict::evidence,
                      "why the verdict was reached, as pallidor-cli judge --json --explain shows it; None\n"
                      "without a verdict")
        .def(py::pickle(
            [](const PyVerdict& self) { return py::make_tuple(self.verdict, self.error, self.code, self.evidence); },
            [](const py::tuple& t) { return PyVerdict{t[0], t[1], t[2], t[3]}; }))
        .def("__repr__", [](const PyVerdict& self) {
            return "pallidor.Verdict(verdict=" + py::repr(self.verdict).cast<std::string>() +
                   ", error=" + py::repr(self.error).cast<std::string>() +
                   ", code=" + py::repr(self.code).cast<std::string>() + ")";
        });

    m.def("judge", &Judge, py::arg("source"), py::kw_only(), py::arg("settings") = py::none(),
          "judge(source, *, settings=None, **keys) -> Verdict\n\n"
          "Judges one picture: `source` is a path (str or path-like; the format from the\n"
          "extension) or a bytes-like object (the format from its first bytes). `settings` is a\n"
          "pallidor.Settings; `keys` change single settings by name (IS_PERCEPTUAL_JUDGE=1). A\n"
          "picture that cannot be judged gives a Verdict with an error, not an exception.");
}
