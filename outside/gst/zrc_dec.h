// zrcdec: a ZRC recording in, its samples out as `zrc decode` writes them.
#pragma once

#include <gst/gst.h>

G_BEGIN_DECLS

GType zrc_dec_get_type(void);

G_END_DECLS
