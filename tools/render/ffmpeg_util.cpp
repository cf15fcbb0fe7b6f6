#include "ffmpeg_util.h"

namespace ff {

std::string ErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof(text));
    return text;
}

Input OpenInput(const std::string& path, std::string* error) {
    AVFormatContext* raw = nullptr;
    int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (rc < 0) {
        *error = rc == AVERROR(ENOENT) || rc == AVERROR(EACCES) || rc == AVERROR(EISDIR)
                     ? "cannot open: " + ErrorText(rc)
                     : "not a media file FFmpeg can read (" + ErrorText(rc) + ")";
        return nullptr;
    }
    Input input(raw);
    rc = avformat_find_stream_info(raw, nullptr);
    if (rc < 0) {
        *error = "cannot read its streams (" + ErrorText(rc) + ")";
        return nullptr;
    }
    return input;
}

}  // namespace ff
