// What the shipped binaries take from the C++ runtime instead of its own,
// larger pieces. Linked into the program and the libraries (not the tests),
// ahead of libstdc++, so the linker never pulls the originals:
//
// - The default terminate handler of libstdc++ demangles the type of the
//   exception it reports (the demangler is about 50 KB per binary) and writes
//   the report to standard error, which a GUI program does not have. Ours
//   only aborts, as that one does after its report.
// - libstdc++ keeps all its std::__throw_* helpers in one object, which brings
//   the exception classes that own a copy-on-write string, that string and
//   a formatting helper (about 60 KB per binary). Nothing here reaches them
//   but through a broken invariant (a container asked for more than it can
//   hold, an index out of range). They still throw, so the framework's
//   handlers around every message handler still catch them: the standard
//   types without a text of their own, and for the rest one small type that
//   keeps the message.
#include <cstdlib>
#include <exception>
#include <new>
#include <typeinfo>

namespace {

class RuntimeFault : public std::exception {
public:
    explicit RuntimeFault(const char* what) : m_what(what) {}
    const char* what() const noexcept override { return m_what; }

private:
    const char* m_what;  // the runtime passes literals
};

}  // namespace

namespace __gnu_cxx {
void __verbose_terminate_handler()
{
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_bad_cast() { throw bad_cast(); }
void __throw_bad_typeid() { throw bad_typeid(); }
void __throw_bad_exception() { throw bad_exception(); }
void __throw_logic_error(const char* what) { throw RuntimeFault(what); }
void __throw_domain_error(const char* what) { throw RuntimeFault(what); }
void __throw_invalid_argument(const char* what) { throw RuntimeFault(what); }
void __throw_length_error(const char* what) { throw RuntimeFault(what); }
void __throw_out_of_range(const char* what) { throw RuntimeFault(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw RuntimeFault(format); }
void __throw_runtime_error(const char* what) { throw RuntimeFault(what); }
void __throw_range_error(const char* what) { throw RuntimeFault(what); }
void __throw_overflow_error(const char* what) { throw RuntimeFault(what); }
void __throw_underflow_error(const char* what) { throw RuntimeFault(what); }
}  // namespace std
