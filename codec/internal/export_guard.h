// Every C export runs its body through guarded(): no exception may cross
// into a C caller, where it would end the program. The only one the core
// throws is running out of memory; each export names what it then returns.
#pragma once

#include <utility>

namespace zrc {

template <class Result, class Body>
Result guarded(Result onFailure, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return onFailure;
    }
}

}  // namespace zrc
