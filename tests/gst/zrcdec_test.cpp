// The plugin in the pipelines people build: the type finder, zrcdec against
// `zrc decode`, seeks, and playbin.
// Check's macros (fail) clash with the standard library's names: it comes last.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <glib/gstdio.h>
#include <gst/app/gstappsink.h>
#include <gst/base/gsttypefindhelper.h>
#include <gst/check/gstcheck.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string g_dir;  // the files the tests make

std::string samplePath(const char* name) { return std::string(ZRC_SAMPLES_DIR) + "/" + name; }
std::string workPath(const char* name) { return g_dir + "/" + name; }

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void putLe32(Bytes& bytes, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The samples `zrc decode` writes for a recording, header left off.
Bytes zrcDecode(const std::string& recording) {
    const std::string wav = g_dir + "/decoded.wav";
    std::remove(wav.c_str());
    gchar* argv[] = {const_cast<gchar*>(ZRC_TOOL), const_cast<gchar*>("decode"), const_cast<gchar*>("-o"),
                     const_cast<gchar*>(wav.c_str()), const_cast<gchar*>(recording.c_str()), nullptr};
    gint status = -1;
    fail_unless(g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_STDOUT_TO_DEV_NULL, nullptr, nullptr, nullptr, nullptr,
                             &status, nullptr) && status == 0, "zrc decode %s failed", recording.c_str());
    Bytes pcm = readFile(wav);
    fail_unless(pcm.size() >= 44);
    return Bytes(pcm.begin() + 44, pcm.end());
}

// Runs a pipeline to its end; false when it ended in an error.
bool runToEnd(const std::string& description) {
    GError* error = nullptr;
    GstElement* pipeline = gst_parse_launch(description.c_str(), &error);
    fail_unless(pipeline != nullptr && error == nullptr, "cannot build %s", description.c_str());
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    GstMessage* end = gst_bus_timed_pop_filtered(bus, 20 * GST_SECOND,
                                                 static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
    fail_unless(end != nullptr, "%s did not end", description.c_str());
    const bool ok = GST_MESSAGE_TYPE(end) == GST_MESSAGE_EOS;
    gst_message_unref(end);
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return ok;
}

void expectSamePcm(const Bytes& got, const Bytes& want, const char* what) {
    fail_unless_equals_uint64(got.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i) {
        if (got[i] != want[i]) fail("%s: first different sample %zu", what, i / 2);
    }
}

// The recordings the rows use beside the samples: one that mixes page
// types (the first sample's 61 type-0 pages, then the second's 30 type-1
// pages), one cut 100 bytes into its last page, one whose header announces
// far more pages than it has.
void makeRecordings() {
    const Bytes a = readFile(samplePath("greet-11k16.zrc"));
    const Bytes b = readFile(samplePath("greet-8k16.zrc"));
    Bytes mixed = a;
    mixed.insert(mixed.end(), b.begin() + 92, b.end());
    putLe32(mixed, 88, static_cast<std::uint32_t>(mixed.size() - 92));
    writeFile(workPath("mixed.zrc"), mixed);
    writeFile(workPath("cut.zrc"), Bytes(a.begin(), a.end() - 428));
    Bytes liar = a;
    putLe32(liar, 88, 0xFFFFFFF0u);
    writeFile(workPath("liar.zrc"), liar);
    Bytes noise(4096);
    guint32 seed = 22;
    for (auto& byte : noise) byte = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 16);
    writeFile(workPath("noise.bin"), noise);
    Bytes empty(a.begin(), a.begin() + 92);
    putLe32(empty, 88, 0);
    writeFile(workPath("empty.zrc"), empty);
    // The tags of a recording over a header mode no recorder has.
    Bytes badMode = empty;
    badMode[60] = 3;
    writeFile(workPath("bad-mode.zrc"), badMode);
}

// ---- The type finder

struct TypeRow {
    const char* file;
    bool sample;  // in samples/, else made here
    bool claimed;
};
const TypeRow kTypeRows[] = {
    {"greet-11k16.zrc", true, true}, {"greet-8k16.zrc", true, true}, {"empty.zrc", false, true},
    {"greet-11k16.wav", true, false}, {"noise.bin", false, false}, {"bad-mode.zrc", false, false},
};

GST_START_TEST(type_finder_claims_recordings_only) {
    const TypeRow& row = kTypeRows[__i__];
    Bytes bytes = readFile(row.sample ? samplePath(row.file) : workPath(row.file));
    GstCaps* caps = gst_type_find_helper_for_data(nullptr, bytes.data(), bytes.size(), nullptr);
    const bool claimed =
        caps != nullptr && gst_structure_has_name(gst_caps_get_structure(caps, 0), "audio/x-zrc");
    fail_unless(claimed == row.claimed, "%s: claimed %d", row.file, claimed);
    if (caps != nullptr) gst_caps_unref(caps);
}
GST_END_TEST;

// ---- Whole decodes

struct DecodeRow {
    const char* file;
    bool sample;
    bool pull;
    const char* reference;  // the sample whose `zrc decode` it must equal; null: an error
    std::size_t samples;    // of the reference, from its start; 0: all
};
const DecodeRow kDecodeRows[] = {
    {"greet-11k16.zrc", true, true, "greet-11k16.zrc", 0},
    {"greet-11k16.zrc", true, false, "greet-11k16.zrc", 0},
    {"greet-8k16.zrc", true, true, "greet-8k16.zrc", 0},
    {"greet-8k16.zrc", true, false, "greet-8k16.zrc", 0},
    {"mixed.zrc", false, true, "mixed.zrc", 0},
    // 60 whole pages of 1,360 samples.
    {"cut.zrc", false, true, "greet-11k16.zrc", 81600},
    {"cut.zrc", false, false, "greet-11k16.zrc", 81600},
    {"liar.zrc", false, true, "greet-11k16.zrc", 0},
    {"liar.zrc", false, false, "greet-11k16.zrc", 0},
    {"empty.zrc", false, true, "empty.zrc", 0},
    {"greet-11k16.wav", true, true, nullptr, 0},
    {"noise.bin", false, false, nullptr, 0},
};

GST_START_TEST(zrcdec_writes_what_zrc_decode_writes) {
    const DecodeRow& row = kDecodeRows[__i__];
    const std::string in = row.sample ? samplePath(row.file) : workPath(row.file);
    const std::string out = workPath("out.pcm");
    std::remove(out.c_str());
    // A queue between them leaves zrcdec nothing to pull from.
    const bool ended = runToEnd("filesrc location=\"" + in + "\" ! " + (row.pull ? "" : "queue ! ") +
                                "zrcdec ! filesink location=\"" + out + "\"");
    fail_unless(ended == (row.reference != nullptr), "%s (%s): ended %d", row.file, row.pull ? "pull" : "push",
                ended);
    if (row.reference == nullptr) return;
    const std::string reference = std::string(row.reference).starts_with("greet") ? samplePath(row.reference)
                                                                                  : workPath(row.reference);
    Bytes want = zrcDecode(reference);
    if (row.samples != 0) want.resize(row.samples * 2);
    expectSamePcm(readFile(out), want, row.file);
}
GST_END_TEST;

// ---- Seeks

struct SeekRow {
    const char* file;
    bool sample;
    bool pull;
    GstFormat format;
    gint64 at;                // in the format
    std::uint64_t pageStart;  // the first sample of the page that holds it
    gint rate;
};
const SeekRow kSeekRows[] = {
    // 61 pages of 1,360 samples: 25 %, 50 % and the last page.
    {"greet-11k16.zrc", true, true, GST_FORMAT_TIME, 1881179138, 20400, 11025},
    {"greet-11k16.zrc", true, true, GST_FORMAT_TIME, 3762358276, 40800, 11025},
    {"greet-11k16.zrc", true, true, GST_FORMAT_DEFAULT, 82959, 81600, 11025},
    // 30 pages of 2,338 samples at 8,000 Hz.
    {"greet-8k16.zrc", true, true, GST_FORMAT_TIME, 2191875000, 16366, 8000},
    {"greet-8k16.zrc", true, true, GST_FORMAT_TIME, 8760000000, 67802, 8000},
    // 61 pages of 1,360 samples, then 30 of 3,215 at 11,025 Hz: the first
    // type-1 page (its run-up crosses the change of type), one in the
    // middle of them, the last.
    {"mixed.zrc", false, true, GST_FORMAT_DEFAULT, 83000, 82960, 11025},
    {"mixed.zrc", false, true, GST_FORMAT_DEFAULT, 132300, 131185, 11025},
    {"mixed.zrc", false, true, GST_FORMAT_DEFAULT, 179409, 176195, 11025},
    // Push mode: the run-up comes from upstream seeking in bytes.
    {"greet-11k16.zrc", true, false, GST_FORMAT_TIME, 3762358276, 40800, 11025},
    {"greet-8k16.zrc", true, false, GST_FORMAT_TIME, 8760000000, 67802, 8000},
};

GST_START_TEST(a_seek_starts_at_its_page_with_the_whole_decodes_samples) {
    const SeekRow& row = kSeekRows[__i__];
    const std::string in = row.sample ? samplePath(row.file) : workPath(row.file);
    GstElement* pipeline =
        gst_parse_launch(("filesrc location=\"" + in + "\" ! " + (row.pull ? "" : "queue ! ") +
                          "zrcdec ! appsink name=out sync=false").c_str(), nullptr);
    GstElement* sink = gst_bin_get_by_name(GST_BIN(pipeline), "out");
    gst_element_set_state(pipeline, GST_STATE_PAUSED);
    fail_unless(gst_element_get_state(pipeline, nullptr, nullptr, 10 * GST_SECOND) == GST_STATE_CHANGE_SUCCESS);
    fail_unless(gst_element_seek_simple(pipeline, row.format,
                                        static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE), row.at));
    GstSample* sample = gst_app_sink_try_pull_preroll(GST_APP_SINK(sink), 10 * GST_SECOND);
    fail_unless(sample != nullptr);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    fail_unless_equals_uint64(GST_BUFFER_OFFSET(buffer), row.pageStart);
    fail_unless_equals_uint64(GST_BUFFER_PTS(buffer), gst_util_uint64_scale_int(row.pageStart, GST_SECOND, row.rate));
    gint64 position = -1;
    fail_unless(gst_element_query_position(pipeline, GST_FORMAT_DEFAULT, &position));

    const Bytes whole = zrcDecode(in);
    Bytes got(gst_buffer_get_size(buffer));
    gst_buffer_extract(buffer, 0, got.data(), got.size());
    fail_unless(row.pageStart * 2 + got.size() <= whole.size());
    const auto from = whole.begin() + static_cast<std::ptrdiff_t>(row.pageStart * 2);
    expectSamePcm(got, Bytes(from, from + static_cast<std::ptrdiff_t>(got.size())), row.file);
    fail_unless(position >= static_cast<gint64>(row.pageStart));

    gst_sample_unref(sample);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(sink);
    gst_object_unref(pipeline);
}
GST_END_TEST;

// ---- playbin

GST_START_TEST(playbin_plays_a_recording_to_its_end) {
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    fail_unless(playbin != nullptr);
    gchar* uri = gst_filename_to_uri(samplePath("greet-11k16.zrc").c_str(), nullptr);
    GstElement* audio = gst_element_factory_make("fakesink", nullptr);
    g_object_set(audio, "sync", FALSE, nullptr);
    g_object_set(playbin, "uri", uri, "audio-sink", audio, nullptr);
    g_free(uri);
    gst_element_set_state(playbin, GST_STATE_PAUSED);
    fail_unless(gst_element_get_state(playbin, nullptr, nullptr, 10 * GST_SECOND) == GST_STATE_CHANGE_SUCCESS);
    gint64 duration = -1;
    fail_unless(gst_element_query_duration(playbin, GST_FORMAT_TIME, &duration));
    // 82,960 samples at 11,025 Hz.
    fail_unless_equals_int64(duration, 7524716553);

    gst_element_set_state(playbin, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(playbin);
    gchar* codec = nullptr;
    guint bitrate = 0;
    for (;;) {
        GstMessage* m = gst_bus_timed_pop_filtered(
            bus, 20 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_TAG));
        fail_unless(m != nullptr && GST_MESSAGE_TYPE(m) != GST_MESSAGE_ERROR);
        const bool eos = GST_MESSAGE_TYPE(m) == GST_MESSAGE_EOS;
        if (!eos) {
            GstTagList* tags = nullptr;
            gst_message_parse_tag(m, &tags);
            if (codec == nullptr) gst_tag_list_get_string(tags, GST_TAG_AUDIO_CODEC, &codec);
            gst_tag_list_get_uint(tags, GST_TAG_BITRATE, &bitrate);
            gst_tag_list_unref(tags);
        }
        gst_message_unref(m);
        if (eos) break;
    }
    fail_unless_equals_string(codec, "G.726 ADPCM");
    // 1,360 3-bit codes a page, one per sample at 11,025 Hz.
    fail_unless_equals_uint64(bitrate, 33075);
    g_free(codec);
    gst_object_unref(bus);
    gst_element_set_state(playbin, GST_STATE_NULL);
    gst_object_unref(playbin);
}
GST_END_TEST;

Suite* zrcSuite() {
    Suite* suite = suite_create("zrc");
    TCase* tc = tcase_create("plugin");
    tcase_set_timeout(tc, 60);
    tcase_add_loop_test(tc, type_finder_claims_recordings_only, 0, G_N_ELEMENTS(kTypeRows));
    tcase_add_loop_test(tc, zrcdec_writes_what_zrc_decode_writes, 0, G_N_ELEMENTS(kDecodeRows));
    tcase_add_loop_test(tc, a_seek_starts_at_its_page_with_the_whole_decodes_samples, 0, G_N_ELEMENTS(kSeekRows));
    tcase_add_test(tc, playbin_plays_a_recording_to_its_end);
    suite_add_tcase(suite, tc);
    return suite;
}

}  // namespace

int main(int argc, char** argv) {
    gst_check_init(&argc, &argv);
    gchar* dir = g_dir_make_tmp("zrc-gst-XXXXXX", nullptr);
    g_dir = dir;
    g_free(dir);
    makeRecordings();
    const int failed = gst_check_run_suite(zrcSuite(), "zrc", __FILE__);
    for (const char* name : {"mixed.zrc", "cut.zrc", "liar.zrc", "noise.bin", "empty.zrc", "bad-mode.zrc", "out.pcm", "decoded.wav"}) {
        std::remove(workPath(name).c_str());
    }
    g_rmdir(g_dir.c_str());
    return failed;
}
