// Reading a media file through the player's stream callbacks instead of FFmpeg's own files.
#pragma once

extern "C" {
#include <libavformat/avformat.h>
}

#include "video/media_library_api.h"

namespace orv::media {

// An AVIOContext over the callbacks; freed with FreeCallbackIo. Null when the callbacks
// are incomplete.
AVIOContext* CreateCallbackIo(const TMediaStreamCallbacks& callbacks);
void FreeCallbackIo(AVIOContext*& io);

}  // namespace orv::media
