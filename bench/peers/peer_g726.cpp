// Runs one G.726 coder over a whole stream, in process, and reports the time
// of the coding loop alone in ns per sample. Used by bench/compare-peers to
// put this project's decoder and encoder beside SpanDSP's on the same data.
//
//   peer_g726 IMPL OP WIDTH IN OUT
//   IMPL: ours | spandsp      OP: decode | encode
//   decode: IN holds one code per byte, OUT receives s16le samples
//   encode: IN holds s16le samples, OUT receives one code per byte
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "decoder.h"
#if ZRC_PEERS_HAVE_ENCODER
#include "encoder.h"
#endif
#if ZRC_PEERS_HAVE_SPANDSP
#include <spandsp.h>
#endif

namespace {

std::vector<std::uint8_t> readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeAll(const char* path, const void* data, std::size_t bytes) {
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr || std::fwrite(data, 1, bytes, f) != bytes) {
        std::fprintf(stderr, "cannot write %s\n", path);
        std::exit(1);
    }
    std::fclose(f);
}

template <class F>
double timeNs(F&& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: peer_g726 ours|spandsp decode|encode WIDTH IN OUT\n");
        return 2;
    }
    const std::string impl = argv[1], op = argv[2];
    const int width = std::atoi(argv[3]);
    const auto input = readAll(argv[4]);
    double ns = 0;
    std::size_t n = 0;

    if (op == "decode") {
        n = input.size();
        std::vector<std::int16_t> out(n);
        if (impl == "ours") {
            zrc::Decoder decoder;
            decoder.reset();
            // Page-sized calls, as the library's own callers make them.
            ns = timeNs([&] {
                for (std::size_t k = 0; k < n; k += 2048) {
                    decoder.decode(input.data() + k, std::min<std::size_t>(2048, n - k), width, out.data() + k);
                }
            });
#if ZRC_PEERS_HAVE_SPANDSP
        } else if (impl == "spandsp") {
            g726_state_t* s = g726_init(nullptr, 8000 * width, G726_ENCODING_LINEAR, G726_PACKING_NONE);
            ns = timeNs([&] {
                for (std::size_t k = 0; k < n; k += 2048) {
                    const auto len = static_cast<int>(std::min<std::size_t>(2048, n - k));
                    g726_decode(s, out.data() + k, input.data() + k, len);
                }
            });
            g726_free(s);
#endif
        } else {
            std::fprintf(stderr, "no decoder %s in this build\n", impl.c_str());
            return 2;
        }
        writeAll(argv[5], out.data(), out.size() * 2);
    } else if (op == "encode") {
        n = input.size() / 2;
        std::vector<std::int16_t> samples(n);
        std::memcpy(samples.data(), input.data(), n * 2);
        std::vector<std::uint8_t> codes(n);
        if (impl == "ours") {
#if ZRC_PEERS_HAVE_ENCODER
            zrc::Encoder encoder;
            encoder.reset();
            ns = timeNs([&] {
                for (std::size_t k = 0; k < n; k += 2048) {
                    encoder.encode(samples.data() + k, std::min<std::size_t>(2048, n - k), width, codes.data() + k);
                }
            });
#else
            std::fprintf(stderr, "no encoder in this build\n");
            return 2;
#endif
#if ZRC_PEERS_HAVE_SPANDSP
        } else if (impl == "spandsp") {
            g726_state_t* s = g726_init(nullptr, 8000 * width, G726_ENCODING_LINEAR, G726_PACKING_NONE);
            ns = timeNs([&] {
                for (std::size_t k = 0; k < n; k += 2048) {
                    const auto len = static_cast<int>(std::min<std::size_t>(2048, n - k));
                    g726_encode(s, codes.data() + k, samples.data() + k, len);
                }
            });
            g726_free(s);
#endif
        } else {
            std::fprintf(stderr, "no encoder %s in this build\n", impl.c_str());
            return 2;
        }
        writeAll(argv[5], codes.data(), codes.size());
    } else {
        std::fprintf(stderr, "unknown operation %s\n", op.c_str());
        return 2;
    }
    std::printf("%.2f\n", n == 0 ? 0.0 : ns / static_cast<double>(n));
    return 0;
}
