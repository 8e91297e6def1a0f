#include "loaded_pagecodec.h"

#include <dlfcn.h>

#include <stdexcept>
#include <string>
#include <type_traits>

namespace zrc::test {

const LoadedPageCodec& loadedPageCodec() {
    static const LoadedPageCodec lib = [] {
        // RTLD_LOCAL: PageCodec's names must not meet Orvel's in the global scope.
        void* handle = dlopen(ZRC_PAGECODEC_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr) throw std::runtime_error(std::string("cannot load PageCodec: ") + dlerror());
        LoadedPageCodec loaded;
        auto bind = [handle](auto& f, const char* name) {
            f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(handle, name));
            if (f == nullptr) throw std::runtime_error(std::string("PageCodec has no ") + name);
        };
        bind(loaded.play_splpget, "play_splpget");
        bind(loaded.play_1pagerd, "play_1pagerd");
        bind(loaded.pb_exdata, "pb_exdata");
        bind(loaded.pb_adpcm_dec, "pb_adpcm_dec");
        bind(loaded.SoundSet11k16bit, "SoundSet11k16bit");
        bind(loaded.AdpcmDec1, "AdpcmDec1");
        return loaded;
    }();
    return lib;
}

}  // namespace zrc::test
