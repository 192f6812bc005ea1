// The outcome of a fallible call: a value, or the one line that says what went wrong.
#pragma once
#include <string>
#include <utility>
#include <variant>

// What kind of failure a problem is; the programs turn it into their exit code.
enum class ProblemKind {
    kBadArgument,  // the command line asks for something that cannot be
    kUnreadable,   // a file cannot be opened or read
    kInvalid,      // not a WAD file, or its directory reaches past the end
    kNoSuchMap,    // the file has no such map, or no maps
    kUnsupported,  // a map or tree in a format the viewer does not read
    kNoMemory,     // an allocation failed
    kCannotWrite,  // an output file cannot be written
};

struct Problem {
    ProblemKind kind;
    std::string line;  // one line, without its line end
};

template <typename T>
class Result {
  public:
    Result(T value) : state_(std::move(value)) {}
    Result(Problem problem) : state_(std::move(problem)) {}

    explicit operator bool() const { return state_.index() == 0; }
    T& operator*() { return std::get<0>(state_); }
    const T& operator*() const { return std::get<0>(state_); }
    T* operator->() { return &std::get<0>(state_); }
    const T* operator->() const { return &std::get<0>(state_); }
    const Problem& problem() const { return std::get<1>(state_); }

  private:
    std::variant<T, Problem> state_;
};

// A fallible call with nothing to return but whether it worked.
struct Done {};
using Status = Result<Done>;
inline Status Succeeded() { return Done{}; }
