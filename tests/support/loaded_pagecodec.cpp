#include "loaded_pagecodec.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <type_traits>

namespace zrc::test {

namespace {
LoadedPageCodec load() {
    // RTLD_LOCAL keeps PageCodec's names out of the process's global scope,
    // where they would meet Orvel's.
    void* handle = dlopen(ZRC_PAGECODEC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error(std::string("cannot load PageCodec: ") + dlerror());
    LoadedPageCodec lib;
    auto bind = [handle](auto& f, const char* name) {
        f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(handle, name));
        if (f == nullptr) throw std::runtime_error(std::string("PageCodec has no ") + name);
    };
    bind(lib.play_splpget, "play_splpget");
    bind(lib.play_1pagerd, "play_1pagerd");
    bind(lib.pb_splptblmk, "pb_splptblmk");
    bind(lib.splp_pageno, "splp_pageno");
    bind(lib.pb_exdata, "pb_exdata");
    bind(lib.pb_adpcm_dec, "pb_adpcm_dec");
    bind(lib.SoundSet11k16bit, "SoundSet11k16bit");
    bind(lib.AdpcmDec1, "AdpcmDec1");
    return lib;
}
}  // namespace

const LoadedPageCodec& loadedPageCodec() {
    static const LoadedPageCodec lib = load();
    return lib;
}

}  // namespace zrc::test
