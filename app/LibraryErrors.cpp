// What the standard library throws in kelpex when a container cannot grow
// or is used out of its range. The library's own versions throw
// std::length_error and its kin, whose messages are held in a second,
// older string implementation: linking them would add some 45 KB to a
// program that only ever reports such a failure. A container that cannot
// grow is out of memory, as the user is told; anything else is a fault
// reported under a generic caption (foundation/Diagnostic.h).
#include <cstdarg>
#include <exception>
#include <new>

namespace {
class LibraryFault : public std::exception {
public:
    explicit LibraryFault(const char* what) : what_(what) {}
    const char* what() const noexcept override { return what_; }

private:
    const char* what_;  // the library's literal
};
}  // namespace

namespace std {
void __throw_bad_alloc() { throw std::bad_alloc(); }
void __throw_bad_array_new_length() { throw std::bad_alloc(); }
void __throw_length_error(const char*) { throw std::bad_alloc(); }
void __throw_logic_error(const char* what) { throw LibraryFault(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw LibraryFault(format); }
}  // namespace std
