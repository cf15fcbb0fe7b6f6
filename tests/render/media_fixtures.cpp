#include "media_fixtures.h"

#include <png.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "ffmpeg_util.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

extern char** environ;

namespace fixtures {

namespace {

const char* EncoderFor(const std::string& path) {
    const std::string ext = path.substr(path.find_last_of('.') + 1);
    if (ext == "wav") return "pcm_s16le";
    if (ext == "flac" || ext == "mkv") return "flac";
    if (ext == "mp3") return "libmp3lame";
    if (ext == "ogg" || ext == "opus") return "libopus";
    if (ext == "oga") return "libvorbis";
    if (ext == "m4a") return "aac";
    return nullptr;
}

// The picture as an attached one, after the song's stream.
bool AddCover(AVFormatContext* out, const std::string& png, std::string* bytes) {
    int width = 0, height = 0;
    ReadPngPixels(png, &width, &height);
    std::ifstream f(png, std::ios::binary);
    bytes->assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    AVStream* st = bytes->empty() ? nullptr : avformat_new_stream(out, nullptr);
    if (st == nullptr) return false;
    st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    st->codecpar->codec_id = AV_CODEC_ID_PNG;
    st->codecpar->width = width;
    st->codecpar->height = height;
    st->disposition = AV_DISPOSITION_ATTACHED_PIC;
    return true;
}

}  // namespace

bool WriteSong(const std::string& path, const audio::Pcm& pcm, const std::string& title, const std::string& artist,
               const std::string& coverPng) {
    const char* name = EncoderFor(path);
    const AVCodec* codec = name != nullptr ? avcodec_find_encoder_by_name(name) : nullptr;
    AVFormatContext* out = nullptr;
    if (codec == nullptr || avformat_alloc_output_context2(&out, nullptr, nullptr, path.c_str()) < 0) return false;
    ff::Codec enc(avcodec_alloc_context3(codec));
    enc->sample_fmt = codec->sample_fmts[0];
    enc->sample_rate = pcm.sampleRate;
    if (codec->supported_samplerates != nullptr) {
        enc->sample_rate = 48000;  // Opus knows no 44.1 kHz
        for (const int* r = codec->supported_samplerates; *r != 0; ++r)
            if (*r == pcm.sampleRate) enc->sample_rate = pcm.sampleRate;
    }
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    av_channel_layout_copy(&enc->ch_layout, &stereo);
    enc->time_base = AVRational{1, enc->sample_rate};
    enc->bit_rate = 128000;
    if (out->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(enc.get(), codec, nullptr) >= 0;
    AVStream* st = ok ? avformat_new_stream(out, nullptr) : nullptr;
    if (st != nullptr) {
        st->time_base = enc->time_base;
        avcodec_parameters_from_context(st->codecpar, enc.get());
        if (!title.empty()) {
            av_dict_set(&out->metadata, "title", title.c_str(), 0);
            av_dict_set(&st->metadata, "title", title.c_str(), 0);
        }
        if (!artist.empty()) av_dict_set(&out->metadata, "artist", artist.c_str(), 0);
        std::string cover;
        ok = (coverPng.empty() || AddCover(out, coverPng, &cover)) && avio_open(&out->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 &&
             avformat_write_header(out, nullptr) >= 0;
        if (ok && !cover.empty()) {
            ff::Packet picture(av_packet_alloc());
            ok = av_new_packet(picture.get(), static_cast<int>(cover.size())) >= 0;
            if (ok) std::memcpy(picture->data, cover.data(), cover.size());
            picture->stream_index = 1;
            picture->flags |= AV_PKT_FLAG_KEY;
            ok = ok && av_interleaved_write_frame(out, picture.get()) >= 0;
        }
    }
    // The whole song converted at once, then cut into the encoder's frames.
    SwrContext* swr = nullptr;
    ok = ok && swr_alloc_set_opts2(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &stereo,
                                   AV_SAMPLE_FMT_S16, pcm.sampleRate, 0, nullptr) >= 0 && swr_init(swr) >= 0;
    ff::Resampler resampler(swr);
    const int room = static_cast<int>(pcm.Frames() * enc->sample_rate / pcm.sampleRate) + 4096;
    uint8_t** data = nullptr;
    ok = ok && av_samples_alloc_array_and_samples(&data, nullptr, 2, room, enc->sample_fmt, 0) >= 0;
    int total = 0;
    if (ok) {
        const uint8_t* in = reinterpret_cast<const uint8_t*>(pcm.samples.data());
        total = swr_convert(swr, data, room, &in, static_cast<int>(pcm.Frames()));
        const int planes = av_sample_fmt_is_planar(enc->sample_fmt) ? 2 : 1;
        const int step = av_get_bytes_per_sample(enc->sample_fmt) * (planes == 2 ? 1 : 2);
        uint8_t* tail[2] = {data[0] + static_cast<size_t>(total) * step,
                            planes == 2 ? data[1] + static_cast<size_t>(total) * step : nullptr};
        const int flushed = total >= 0 ? swr_convert(swr, tail, room - total, nullptr, 0) : -1;
        total = flushed >= 0 ? total + flushed : -1;
    }
    const int frameSize = enc->frame_size > 0 ? enc->frame_size : 1152;
    const bool planar = av_sample_fmt_is_planar(enc->sample_fmt);
    const int bytes = av_get_bytes_per_sample(enc->sample_fmt);
    ff::Frame frame(av_frame_alloc());
    ff::Packet packet(av_packet_alloc());
    auto drain = [&]() {
        while (avcodec_receive_packet(enc.get(), packet.get()) >= 0) {
            av_packet_rescale_ts(packet.get(), enc->time_base, st->time_base);
            packet->stream_index = 0;
            av_interleaved_write_frame(out, packet.get());
        }
    };
    for (int at = 0; ok && at < total; at += frameSize) {
        const int n = total - at < frameSize ? total - at : frameSize;
        av_frame_unref(frame.get());
        frame->nb_samples = (enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) || enc->frame_size == 0
                                ? n
                                : frameSize;
        frame->format = enc->sample_fmt;
        frame->sample_rate = enc->sample_rate;
        av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
        ok = av_frame_get_buffer(frame.get(), 0) >= 0;
        av_samples_set_silence(frame->extended_data, 0, frame->nb_samples, 2, enc->sample_fmt);
        for (int c = 0; c < (planar ? 2 : 1); ++c)
            std::memcpy(frame->extended_data[c], data[c] + static_cast<size_t>(at) * bytes * (planar ? 1 : 2),
                        static_cast<size_t>(n) * bytes * (planar ? 1 : 2));
        frame->pts = at;
        ok = ok && avcodec_send_frame(enc.get(), frame.get()) >= 0;
        drain();
    }
    if (ok) {
        avcodec_send_frame(enc.get(), nullptr);
        drain();
        ok = av_write_trailer(out) >= 0;
    }
    if (data != nullptr) av_freep(&data[0]);
    av_freep(&data);
    if (out->pb != nullptr) avio_closep(&out->pb);
    avformat_free_context(out);
    return ok;
}

VideoInfo Probe(const std::string& path) {
    VideoInfo info;
    std::string error;
    ff::Input in = ff::OpenInput(path, &error);
    if (!in) return info;
    info.opened = true;
    std::vector<double> first(in->nb_streams, 1e300), last(in->nb_streams, -1e300);
    std::vector<int64_t> count(in->nb_streams, 0);
    ff::Packet p(av_packet_alloc());
    while (av_read_frame(in.get(), p.get()) >= 0) {
        const AVStream* s = in->streams[p->stream_index];
        const int64_t ts = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
        if (ts != AV_NOPTS_VALUE) {
            const double t = ts * av_q2d(s->time_base);
            first[p->stream_index] = std::min(first[p->stream_index], t);
            last[p->stream_index] = std::max(last[p->stream_index], t + p->duration * av_q2d(s->time_base));
        }
        ++count[p->stream_index];
        av_packet_unref(p.get());
    }
    for (unsigned i = 0; i < in->nb_streams; ++i) {
        const AVCodecParameters* c = in->streams[i]->codecpar;
        StreamInfo* s = c->codec_type == AVMEDIA_TYPE_VIDEO ? &info.video
                        : c->codec_type == AVMEDIA_TYPE_AUDIO ? &info.audio
                                                              : nullptr;
        if (s == nullptr) continue;
        s->codec = avcodec_get_name(c->codec_id);
        s->packets = count[i];
        // Encoder priming before zero is not heard.
        if (count[i] > 0) s->seconds = last[i] - std::max(0.0, first[i]);
        if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
            info.width = c->width;
            info.height = c->height;
        }
    }
    return info;
}

std::vector<std::vector<uint32_t>> DecodeFrames(const std::string& path) {
    std::vector<std::vector<uint32_t>> frames;
    std::string error;
    ff::Input in = ff::OpenInput(path, &error);
    if (!in) return frames;
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(in.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (index < 0) return frames;
    ff::Codec dec(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(dec.get(), in->streams[index]->codecpar);
    if (avcodec_open2(dec.get(), codec, nullptr) < 0) return frames;
    ff::Packet p(av_packet_alloc());
    ff::Frame f(av_frame_alloc());
    ff::Scaler sws;
    auto take = [&]() {
        while (avcodec_receive_frame(dec.get(), f.get()) >= 0) {
            if (!sws)
                sws.reset(sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width,
                                         f->height, AV_PIX_FMT_BGR0, SWS_BICUBIC | SWS_ACCURATE_RND, nullptr,
                                         nullptr, nullptr));
            std::vector<uint32_t> pixels(static_cast<size_t>(f->width) * f->height);
            uint8_t* dst[1] = {reinterpret_cast<uint8_t*>(pixels.data())};
            const int stride[1] = {4 * f->width};
            sws_scale(sws.get(), f->data, f->linesize, 0, f->height, dst, stride);
            for (uint32_t& px : pixels) px &= 0x00FFFFFF;
            frames.push_back(std::move(pixels));
            av_frame_unref(f.get());
        }
    };
    while (av_read_frame(in.get(), p.get()) >= 0) {
        if (p->stream_index == index) avcodec_send_packet(dec.get(), p.get());
        av_packet_unref(p.get());
        take();
    }
    avcodec_send_packet(dec.get(), nullptr);
    take();
    return frames;
}

std::vector<uint32_t> ReadPngPixels(const std::string& path, int* width, int* height) {
    std::vector<uint32_t> pixels;
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return pixels;
    image.format = PNG_FORMAT_BGRA;
    pixels.resize(static_cast<size_t>(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    for (uint32_t& px : pixels) px &= 0x00FFFFFF;
    *width = static_cast<int>(image.width);
    *height = static_cast<int>(image.height);
    return pixels;
}

namespace {

std::string Slurp(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

int Spawn(const std::vector<std::string>& args, const std::string& outPath, const std::string& errPath) {
    std::vector<char*> argv;
    static char exe[] = VELUNE_RENDER_EXE;
    argv.push_back(exe);
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    if (posix_spawn(&pid, exe, &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

RunResult Render(const std::vector<std::string>& args) {
    const std::string folder = TempFolder("run");
    RunResult r;
    const int pid = Spawn(args, folder + "/out.txt", folder + "/err.txt");
    int status = 0;
    if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
    r.out = Slurp(folder + "/out.txt");
    r.err = Slurp(folder + "/err.txt");
    return r;
}

int StartRender(const std::vector<std::string>& args, const std::string& errPath) {
    return Spawn(args, "/dev/null", errPath);
}

namespace {

std::vector<std::string>& Folders() {
    static std::vector<std::string> folders;
    return folders;
}

void RemoveFolders() {
    for (const std::string& f : Folders()) std::filesystem::remove_all(f);
}

}  // namespace

std::string TempFolder(const std::string& name) {
    static int serial = 0;
    if (serial == 0) {
        Folders();  // built first, so it outlives the clean-up at exit
        std::atexit(RemoveFolders);
    }
    const char* base = std::getenv("TMPDIR");
    std::string path = std::string(base != nullptr ? base : "/tmp") + "/velune-render-test-" +
                       std::to_string(getpid()) + "-" + name + "-" + std::to_string(++serial);
    mkdir(path.c_str(), 0755);
    Folders().push_back(path);
    return path;
}

bool FileExists(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0;
}

long FileSize(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0 ? static_cast<long>(s.st_size) : -1;
}

}  // namespace fixtures
