// What the test doubles of Corvid and Orvel were asked, and what they
// answer. The doubles and the tests share this one log: it lives in its own
// shared library, loaded once however the doubles are reached.
#pragma once

#include <algorithm>
#include <array>
#include <iterator>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace zrc::test::doubles {

struct Call {
    std::string function;
    std::vector<std::string> args;
};

// The wave-output double's playback.
struct Wave {
    int generation = 0;           // WavCreate calls so far
    bool playing = false;         // a header followed the last WavCreate; no WavStop or WavDestroy since
    std::int32_t dataBlocks = 0;  // data blocks queued since the last WavCreate
};

class CallLog {
public:
    static CallLog& instance();
    // Forgets every call, result, information byte and listener.
    void reset();

    void record(std::string function, std::vector<std::string> args);
    std::vector<std::string> functions() const {
        std::vector<std::string> names;
        for (const Call& call : m_calls) names.push_back(call.function);
        return names;
    }
    std::vector<Call> callsOf(const std::string& function) const {
        std::vector<Call> found;
        std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(found),
                     [&](const Call& call) { return call.function == function; });
        return found;
    }

    // The value `function` returns from now on (otherwise its default).
    void setResult(const std::string& function, std::int32_t value) { m_results[function] = value; }
    std::int32_t result(const std::string& function, std::int32_t otherwise) const {
        const auto it = m_results.find(function);
        return it == m_results.end() ? otherwise : it->second;
    }
    // What the functions with an information buffer write into it.
    std::array<std::uint8_t, 100>& info() { return m_info; }
    // Told of every call before the double answers: a test can act in the
    // middle of a long operation.
    void setListener(std::function<void(const Call&)> listener) { m_listener = std::move(listener); }

    Wave& wave() { return m_wave; }
    // The first byte of every data block handed to the wave output.
    std::vector<int>& firstBytes() { return m_firstBytes; }
    // Answers WavNowPlay while the double's playback plays (it answers -2
    // otherwise); without it, result("WavNowPlay", -2).
    std::function<std::int32_t(const Wave&)> nowPlay;

private:
    std::vector<Call> m_calls;
    std::map<std::string, std::int32_t> m_results;
    std::array<std::uint8_t, 100> m_info{};
    std::function<void(const Call&)> m_listener;
    Wave m_wave;
    std::vector<int> m_firstBytes;
};

}  // namespace zrc::test::doubles
