#include "audio_decoder.h"

#include <cstring>

#include "ffmpeg_util.h"

namespace {

constexpr int kLowestRate = 8000;
constexpr int kHighestRate = 192000;

std::string TagTitle(const AVFormatContext* input, const AVStream* stream) {
    // Ogg files keep their tags on the stream, most others on the container.
    for (AVDictionary* tags : {input->metadata, stream->metadata}) {
        const AVDictionaryEntry* e = av_dict_get(tags, "title", nullptr, 0);
        if (e != nullptr && e->value[0] != '\0') return e->value;
    }
    return "";
}

// Appends what the resampler gives for these input samples (null flushes).
bool Convert(SwrContext* swr, const AVFrame* in, audio::Pcm* pcm) {
    const int inCount = in != nullptr ? in->nb_samples : 0;
    const int room = swr_get_out_samples(swr, inCount);
    if (room < 0) return false;
    const size_t at = pcm->samples.size();
    pcm->samples.resize(at + 2 * static_cast<size_t>(room));
    uint8_t* out = reinterpret_cast<uint8_t*>(pcm->samples.data() + at);
    const int got = swr_convert(swr, &out, room, in != nullptr ? const_cast<const uint8_t**>(in->extended_data) : nullptr,
                                inCount);
    if (got < 0) return false;
    pcm->samples.resize(at + 2 * static_cast<size_t>(got));
    return true;
}

}  // namespace

std::string TitleFromFileName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    return name;
}

bool DecodeAudioFile(const std::string& path, audio::Track* track, std::string* error) {
    ff::Input input = ff::OpenInput(path, error);
    if (!input) return false;
    const AVCodec* codec = nullptr;
    const int index = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
    if (index == AVERROR_STREAM_NOT_FOUND) {
        *error = "has no audio stream";
        return false;
    }
    if (index < 0 || codec == nullptr) {
        *error = "no decoder for its audio (" + ff::ErrorText(index) + ")";
        return false;
    }
    AVStream* stream = input->streams[index];
    ff::Codec decoder(avcodec_alloc_context3(codec));
    if (!decoder || avcodec_parameters_to_context(decoder.get(), stream->codecpar) < 0 ||
        avcodec_open2(decoder.get(), codec, nullptr) < 0) {
        *error = std::string("cannot open the ") + codec->name + " decoder";
        return false;
    }
    const int rate = decoder->sample_rate;
    if (rate < kLowestRate || rate > kHighestRate) {
        *error = "unusable sample rate " + std::to_string(rate) + " Hz";
        return false;
    }
    if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&decoder->ch_layout, decoder->ch_layout.nb_channels);

    SwrContext* rawSwr = nullptr;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    if (swr_alloc_set_opts2(&rawSwr, &stereo, AV_SAMPLE_FMT_S16, rate, &decoder->ch_layout, decoder->sample_fmt, rate, 0,
                            nullptr) < 0) {
        *error = "cannot convert its " + std::to_string(decoder->ch_layout.nb_channels) + " channels to stereo";
        return false;
    }
    ff::Resampler swr(rawSwr);
    // A mono file plays at full level on both speakers, not 3 dB down.
    const double monoToBoth[2] = {1.0, 1.0};
    if ((decoder->ch_layout.nb_channels == 1 && swr_set_matrix(swr.get(), monoToBoth, 1) < 0) || swr_init(swr.get()) < 0) {
        *error = "cannot convert its channels to stereo";
        return false;
    }

    audio::Pcm pcm;
    pcm.sampleRate = rate;
    ff::Packet packet(av_packet_alloc());
    ff::Frame frame(av_frame_alloc());
    int damaged = 0;
    bool draining = false;
    while (!draining) {
        int rc = av_read_frame(input.get(), packet.get());
        if (rc < 0) {
            draining = true;
            avcodec_send_packet(decoder.get(), nullptr);
        } else {
            const bool ours = packet->stream_index == index;
            if (ours && avcodec_send_packet(decoder.get(), packet.get()) < 0) ++damaged;
            av_packet_unref(packet.get());
            if (!ours) continue;
        }
        while ((rc = avcodec_receive_frame(decoder.get(), frame.get())) >= 0) {
            const bool ok = Convert(swr.get(), frame.get(), &pcm);
            av_frame_unref(frame.get());
            if (!ok) {
                *error = "cannot convert its samples";
                return false;
            }
        }
        if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) ++damaged;
    }
    if (!Convert(swr.get(), nullptr, &pcm)) {
        *error = "cannot convert its samples";
        return false;
    }
    if (pcm.samples.empty()) {
        *error = damaged > 0 ? "its audio cannot be decoded" : "holds no audio samples";
        return false;
    }
    track->pcm = std::move(pcm);
    track->title = TagTitle(input.get(), stream);
    if (track->title.empty()) track->title = TitleFromFileName(path);
    return true;
}
