// The functions of PageCodec the player calls, bound by name.
#pragma once

#include <algorithm>
#include <iterator>

#include "binder.h"
#include "pagecodec.h"

namespace zrc::player {

struct PageCodecApi {
    explicit PageCodecApi(Binder& binder)
        : play_splpget(binder, kLibrary, "play_splpget"),
          play_1pagerd(binder, kLibrary, "play_1pagerd"),
          pb_splptblmk(binder, kLibrary, "pb_splptblmk"),
          get_time(binder, kLibrary, "get_time"),
          splp_pageno(binder, kLibrary, "splp_pageno"),
          pb_exdata(binder, kLibrary, "pb_exdata") {}

    static constexpr const char* kLibrary = "PageCodec";

    // Binds every function now; false when one cannot be had (each missing
    // one is reported, not only the first).
    bool bindAll() {
        const bool bound[] = {play_splpget.bind(), play_1pagerd.bind(), pb_splptblmk.bind(), get_time.bind(),
                              splp_pageno.bind(), pb_exdata.bind()};
        return std::all_of(std::begin(bound), std::end(bound), [](bool b) { return b; });
    }

    BoundFunction<decltype(::play_splpget)> play_splpget;
    BoundFunction<decltype(::play_1pagerd)> play_1pagerd;
    BoundFunction<decltype(::pb_splptblmk)> pb_splptblmk;
    BoundFunction<decltype(::get_time)> get_time;
    BoundFunction<decltype(::splp_pageno)> splp_pageno;
    BoundFunction<decltype(::pb_exdata)> pb_exdata;
};

}  // namespace zrc::player
