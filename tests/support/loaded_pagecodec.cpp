#include "loaded_pagecodec.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>

namespace zrc::test {

namespace {
template <class F>
void bind(void* handle, F& f, const char* name) {
    void* symbol = dlsym(handle, name);
    if (symbol == nullptr) throw std::runtime_error(std::string("PageCodec has no ") + name);
    f = reinterpret_cast<F>(symbol);
}

LoadedPageCodec load() {
    // RTLD_LOCAL keeps PageCodec's names out of the process's global scope,
    // where they would meet Orvel's.
    void* handle = dlopen(ZRC_PAGECODEC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error(std::string("cannot load PageCodec: ") + dlerror());
    LoadedPageCodec lib;
    bind(handle, lib.play_splpget, "play_splpget");
    bind(handle, lib.play_1pagerd, "play_1pagerd");
    bind(handle, lib.pb_splptblmk, "pb_splptblmk");
    bind(handle, lib.splp_pageno, "splp_pageno");
    bind(handle, lib.pb_exdata, "pb_exdata");
    bind(handle, lib.pb_adpcm_dec, "pb_adpcm_dec");
    bind(handle, lib.SoundSet11k16bit, "SoundSet11k16bit");
    bind(handle, lib.AdpcmDec1, "AdpcmDec1");
    return lib;
}
}  // namespace

const LoadedPageCodec& loadedPageCodec() {
    static const LoadedPageCodec lib = load();
    return lib;
}

}  // namespace zrc::test
