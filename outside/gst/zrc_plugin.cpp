// The plugin `zrc`: the type finder of audio/x-zrc and the element zrcdec.
#include <gst/gst.h>

#include <cstring>
#include <span>

#include "zrc_dec.h"
#include "zrc_format.h"

// GST_PLUGIN_DEFINE names the package by this macro.
#define PACKAGE "zrc-toolkit"

namespace {

// The header test of every reader in the toolkit; with fewer bytes than a
// header in sight, the two tags alone make a recording likely.
void findZrc(GstTypeFind* find, gpointer) {
    const guint8* tags = gst_type_find_peek(find, 0, 12);
    if (tags == nullptr || std::memcmp(tags, "QIFF", 4) != 0 || std::memcmp(tags + 8, "WAVE", 4) != 0) return;
    const guint8* header = gst_type_find_peek(find, 0, zrc::kHeaderSize);
    if (header == nullptr) {
        gst_type_find_suggest_empty_simple(find, GST_TYPE_FIND_LIKELY, "audio/x-zrc");
    } else if (zrc::isConformingHeader(std::span(header, zrc::kHeaderSize), zrc::kHeaderSize)) {
        gst_type_find_suggest_empty_simple(find, GST_TYPE_FIND_MAXIMUM, "audio/x-zrc");
    }
}

gboolean pluginInit(GstPlugin* plugin) {
    GstCaps* caps = gst_caps_new_empty_simple("audio/x-zrc");
    const gboolean found = gst_type_find_register(plugin, "audio/x-zrc", GST_RANK_PRIMARY, findZrc, "zrc", caps,
                                                  nullptr, nullptr);
    gst_caps_unref(caps);
    return found && gst_element_register(plugin, "zrcdec", GST_RANK_PRIMARY, zrc_dec_get_type());
}

}  // namespace

GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, zrc, "ZRC voice-recorder recordings: type finder and decoder",
                  pluginInit, ZRC_VERSION, "Proprietary", "ZRC toolkit", "Unknown package origin")
