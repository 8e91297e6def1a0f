// Recording inspection and page access on any bytes: play_splpget,
// play_1pagerd and pb_splptblmk read the file, get_time and splp_pageno the
// table they fill. The page index and the table length come from the end of
// the input.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "fuzz_support.h"
#include "pagecodec.h"

using namespace zrc::fuzz;

namespace {

constexpr std::size_t kHeader = 92;
constexpr std::size_t kPage = 528;

bool allFields(const RecordingInfo& info, unsigned v) {
    return info.rate0 == v && info.rate1 == v && info.bits0 == v && info.bits1 == v && info.payloadBytes0 == v &&
           info.payloadBytes1 == v && info.payloadBits0 == v && info.payloadBits1 == v && info.pageCount == v &&
           info.seconds0 == v && info.seconds1 == v && info.storedPages0 == v && info.storedPages1 == v &&
           info.pageMs0 == static_cast<int32_t>(v) && info.pageMs1 == static_cast<int32_t>(v);
}

// The file's byte at offset, or 0xFF past its end, as every reader sees it.
std::uint8_t byteAt(const std::vector<std::uint8_t>& file, std::uint64_t offset) {
    return offset < file.size() ? file[offset] : 0xFF;
}

void checkInfo(const std::vector<std::uint8_t>& file, const RecordingInfo& info) {
    ZRC_FUZZ_CHECK(!allFields(info, 1));  // the file is there
    if (allFields(info, 13)) return;
    // Only a whole header with a page size describes a recording.
    ZRC_FUZZ_CHECK(file.size() >= kHeader);
    ZRC_FUZZ_CHECK(std::memcmp(file.data(), "QIFF", 4) == 0 && std::memcmp(file.data() + 84, "data", 4) == 0);
    ZRC_FUZZ_CHECK(info.rate0 == file[61] && info.bits0 == file[62] && info.rate1 == file[66] && info.bits1 == file[67]);
    ZRC_FUZZ_CHECK(info.rate0 == 7 || info.rate0 == 8 || info.rate0 == 11);
    ZRC_FUZZ_CHECK(info.rate1 == 7 || info.rate1 == 8 || info.rate1 == 11);
    ZRC_FUZZ_CHECK(info.bits0 >= 2 && info.bits0 <= 4 && info.bits1 >= 2 && info.bits1 <= 4);
    const unsigned pageSize = le16(file, 58);
    ZRC_FUZZ_CHECK(pageSize != 0);
    ZRC_FUZZ_CHECK(info.pageCount == (file.size() - kHeader) / pageSize);
    ZRC_FUZZ_CHECK(info.pageMs0 >= 0 && info.pageMs1 >= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const auto pageIndex = in.ConsumeIntegral<std::int32_t>();
    const auto tableLength = in.ConsumeIntegralInRange<std::uint32_t>(0, 64);
    const std::vector<std::uint8_t> file = in.ConsumeRemainingBytes<std::uint8_t>();
    const std::string name = Scratch::get().write("rec.zrc", file);

    checkInfo(file, play_splpget(name.c_str()));

    // Buffers of exactly the promised size, so that any byte past them is
    // a reported overflow.
    auto page = std::make_unique<std::uint8_t[]>(kPage);
    const int16_t type = play_1pagerd(name.c_str(), pageIndex, page.get());
    ZRC_FUZZ_CHECK(type == 0 || type == 5);
    const std::uint64_t first = pageIndex < 0 ? UINT64_MAX - kPage : kHeader + kPage * std::uint64_t(pageIndex);
    for (std::size_t i = 0; i < kPage; ++i) ZRC_FUZZ_CHECK(page[i] == byteAt(file, first + i));
    ZRC_FUZZ_CHECK((type == 5) == ((page[512] & 1) == 1));

    auto table = std::make_unique<std::uint8_t[]>(tableLength);
    ZRC_FUZZ_CHECK(pb_splptblmk(name.c_str(), table.get(), tableLength) == 0);
    for (std::uint32_t i = 0; i < tableLength; ++i) {
        ZRC_FUZZ_CHECK(table[i] == (byteAt(file, kHeader + kPage * i + 512) & 1));
    }
    if (tableLength > 0) {
        uint32_t counters[2] = {99, 99};
        ZRC_FUZZ_CHECK(splp_pageno(table.get(), counters, tableLength) == 0);
        ZRC_FUZZ_CHECK(counters[0] + counters[1] == tableLength);
        const int32_t ms = get_time(table.get(), tableLength - 1, 123, 292);
        ZRC_FUZZ_CHECK(ms == static_cast<int32_t>(123 * counters[0] + 292 * counters[1]));
    }
    return 0;
}
