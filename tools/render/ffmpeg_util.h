#pragma once
// Small helpers around FFmpeg's C libraries: owning pointers and error text.
#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace ff {

struct InputCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecCloser {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct FrameCloser {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketCloser {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct SwrCloser {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct SwsCloser {
    void operator()(SwsContext* s) const { sws_freeContext(s); }
};

using Input = std::unique_ptr<AVFormatContext, InputCloser>;
using Codec = std::unique_ptr<AVCodecContext, CodecCloser>;
using Frame = std::unique_ptr<AVFrame, FrameCloser>;
using Packet = std::unique_ptr<AVPacket, PacketCloser>;
using Resampler = std::unique_ptr<SwrContext, SwrCloser>;
using Scaler = std::unique_ptr<SwsContext, SwsCloser>;

// FFmpeg's text for an error code, e.g. "Invalid data found when processing input".
std::string ErrorText(int code);

// Opens a file for reading and finds its stream info. On failure returns null
// and says why in *error.
Input OpenInput(const std::string& path, std::string* error);

}  // namespace ff
