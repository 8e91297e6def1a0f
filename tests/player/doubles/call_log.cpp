#include "call_log.h"

namespace zrc::test::doubles {

CallLog& CallLog::instance() {
    static CallLog log;
    return log;
}

void CallLog::reset() {
    m_calls.clear();
    m_results.clear();
    m_info.fill(0);
    m_listener = nullptr;
    m_wave = {};
    m_firstBytes.clear();
    nowPlay = nullptr;
}

void CallLog::record(std::string function, std::vector<std::string> args) {
    m_calls.push_back({std::move(function), std::move(args)});
    if (m_listener) m_listener(Call(m_calls.back()));
}

std::vector<std::string> CallLog::functions() const {
    std::vector<std::string> names;
    for (const Call& call : m_calls) names.push_back(call.function);
    return names;
}

std::vector<Call> CallLog::callsOf(const std::string& function) const {
    std::vector<Call> found;
    for (const Call& call : m_calls) {
        if (call.function == function) found.push_back(call);
    }
    return found;
}

std::int32_t CallLog::result(const std::string& function, std::int32_t otherwise) const {
    const auto it = m_results.find(function);
    return it == m_results.end() ? otherwise : it->second;
}

}  // namespace zrc::test::doubles
